#include "ExportCommand.h"

#include "CommandLineHost.h"
#include "SchemaCommand.h"

#include "db/AccessObjectFactory.h"
#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "db/format/AccessDatabase.h"
#include "export/CodePageEncoder.h"
#include "export/TableExportEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

namespace quorvane::cli {

namespace {

const QString& kProgram = kProgramName;

struct Arguments {
    QString database;
    QStringList tables;
    QString output;
    QString separator = QStringLiteral(",");
    QString password;
    bool header = true;
    bool quotes = true;
    bool oneFile = false;
    bool list = false;
    bool quiet = false;
    bool toStdout = false;
    exporter::OutputStyle style;
};

QString helpText(const QCommandLineParser& parser)
{
    QString text = parser.helpText();
    // The program's name rather than the path it was started by.
    const qsizetype options = text.indexOf(QLatin1String(" [options]"));
    if (text.startsWith(QLatin1String("Usage: ")) && options > 0)
        text.replace(7, options - 7, kProgram);
    text += QStringLiteral(
        "\nValues are written as the locale of the environment shows them (LC_ALL, LC_TIME,\n"
        "LC_NUMERIC, LANG) unless --values exact is given: then dates read\n"
        "\"YYYY-MM-DD HH:MM:SS\" (a fraction of a second when it is not zero), numbers have \".\"\n"
        "as the decimal separator and every digit they hold, Yes/No is true or false.\n"
        "Files are named after their table with \".txt\" (\".jsonl\") appended.\n"
        "\nExamples:\n"
        "  quorvane-export -q --csv --values exact --null NULL -o - db.mdb Orders\n"
        "  quorvane-export --format jsonl -o out db.accdb\n"
        "\nExit status: 0 every table written, 1 some tables failed, 2 bad usage, a database\n"
        "that cannot be opened or an output folder that does not exist, 128 + the signal's\n"
        "number when SIGINT, SIGTERM or SIGHUP stopped the run (the file in hand is dropped).\n");
    text += databaseCommandHelp();
    return text;
}

// The user tables in catalog order, or an error text.
bool readUserTables(db::ObjectFactory& factory, const db::ConnectionInputs& inputs, QStringList& tables,
                    QString& error)
{
    try {
        auto connection = factory.createConnection(db::kConnectionProgId);
        connection->open(db::BuildConnectionString(inputs));
        auto schema = connection->openSchema(db::kSchemaTables);
        const int nameColumn = schema->fieldIndex(QStringLiteral("TABLE_NAME"));
        const int typeColumn = schema->fieldIndex(QStringLiteral("TABLE_TYPE"));
        while (!schema->eof()) {
            const db::Value& type = schema->fieldValue(typeColumn);
            const db::Value& name = schema->fieldValue(nameColumn);
            if (type.kind() == db::ValueKind::Text && type.asText() == QLatin1String("TABLE")
                && name.kind() == db::ValueKind::Text)
                tables.append(name.asText());
            schema->moveNext();
        }
        connection->close();
        return true;
    } catch (const db::DbException& e) {
        error = e.description();
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    return false;
}

} // namespace

int runExportCommand(const QStringList& arguments, db::ObjectFactory& factory, const CommandIo& io)
{
    if (const auto done = runDatabaseCommand(arguments, factory, io))
        return *done;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Exports the tables of a Microsoft Access database to delimited text files."));
    // GNU style: "-qo DIR" is "-q -o DIR", "--" ends the options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the files into DIR (default: the current folder); \"-\" writes "
                                                   "the tables one after another to standard output."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption separator({QStringLiteral("s"), QStringLiteral("separator")},
                                       QStringLiteral("Separate fields with TEXT (default: \",\"; may be empty)."),
                                       QStringLiteral("TEXT"));
    const QCommandLineOption noHeader(QStringLiteral("no-header"),
                                      QStringLiteral("Leave out the line of field names."));
    const QCommandLineOption noQuotes(QStringLiteral("no-quotes"),
                                      QStringLiteral("Do not wrap values in double quotes."));
    const QCommandLineOption oneFile(QStringLiteral("one-file"),
                                     QStringLiteral("Write all tables into one file, output.txt."));
    const QCommandLineOption password({QStringLiteral("p"), QStringLiteral("password")},
                                      QStringLiteral("The database password (or set QUORVANE_PASSWORD)."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("Print the user tables, one a line, and exit."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("No progress bar and no closing message."));
    const QCommandLineOption values(QStringLiteral("values"),
                                    QStringLiteral("How values read: \"locale\" (the default) or \"exact\" (the same "
                                                   "text in every locale, every digit kept)."),
                                    QStringLiteral("MODE"));
    const QCommandLineOption nullText(QStringLiteral("null"),
                                      QStringLiteral("Write Nulls as TEXT, never quoted; a value that reads TEXT is "
                                                     "always quoted (default: Null is an empty field)."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("RFC 4180: fields and names quoted only when they hold the "
                                                "separator, a quote or a line break (or read as the Null text), "
                                                "no empty line at the end."));
    const QCommandLineOption lineEnd(QStringLiteral("line-end"),
                                     QStringLiteral("\"crlf\" (the default) or \"lf\"."), QStringLiteral("END"));
    const QCommandLineOption bom(QStringLiteral("bom"),
                                 QStringLiteral("Start each file with a byte-order mark (for spreadsheets)."));
    const QCommandLineOption encoding(QStringLiteral("encoding"),
                                      QStringLiteral("Write text in the code page NAME, e.g. windows-1252 (default: "
                                                     "UTF-8); a character it lacks becomes \"?\"."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("\"text\" (the default) or \"jsonl\": one JSON object per record, "
                                                   "UTF-8, exact values, files named TABLE.jsonl."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption salvage(QStringLiteral("salvage"),
                                     QStringLiteral("Write the rows that can still be read from a damaged file, and "
                                                    "name on stderr each table that lost rows."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    parser.addOptions({output, separator, noHeader, noQuotes, oneFile, password, list, quiet, values, nullText, csv,
                       lineEnd, bom, encoding, format, salvage, help, version});
    parser.addPositionalArgument(QStringLiteral("DATABASE"), QStringLiteral("The .mdb or .accdb file."));
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("Tables to export (default: all)."),
                                 QStringLiteral("[TABLE...]"));

    const auto usage = [&](const QString& text) {
        io.err(kProgram + QStringLiteral(": ") + text + QStringLiteral("\nTry '") + kProgram
               + QStringLiteral(" --help'.\n"));
        return kExitUsage;
    };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        io.out(helpText(parser));
        return kExitOk;
    }
    if (parser.isSet(version)) {
        io.out(kProgram + QLatin1Char(' ') + QStringLiteral(QUORVANE_VERSION) + QLatin1Char('\n'));
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(QStringLiteral("no database given"));
    if (parser.isSet(list) && positional.size() > 1)
        return usage(QStringLiteral("--list takes no table names"));

    Arguments args;
    args.database = positional.front();
    args.tables = positional.mid(1);
    args.output = parser.isSet(output) ? parser.value(output) : QStringLiteral(".");
    if (parser.isSet(separator))
        args.separator = parser.value(separator);
    args.header = !parser.isSet(noHeader);
    args.quotes = !parser.isSet(noQuotes);
    args.oneFile = parser.isSet(oneFile);
    args.list = parser.isSet(list);
    args.quiet = parser.isSet(quiet);
    args.password = parser.isSet(password) ? parser.value(password) : io.env("QUORVANE_PASSWORD");
    args.toStdout = args.output == QLatin1String("-");

    // The output's style: every choice checked before anything is opened.
    exporter::OutputStyle& style = args.style;
    const QString valuesMode = parser.value(values);
    if (valuesMode == QLatin1String("exact"))
        style.values = exporter::OutputStyle::Values::Exact;
    else if (parser.isSet(values) && valuesMode != QLatin1String("locale"))
        return usage(QStringLiteral("--values is \"locale\" or \"exact\", not \"%1\"").arg(valuesMode));
    if (parser.isSet(nullText))
        style.nullText = parser.value(nullText);
    const QString end = parser.value(lineEnd);
    if (end == QLatin1String("lf"))
        style.lineEnd = "\n";
    else if (parser.isSet(lineEnd) && end != QLatin1String("crlf"))
        return usage(QStringLiteral("--line-end is \"crlf\" or \"lf\", not \"%1\"").arg(end));
    style.byteOrderMark = parser.isSet(bom);
    if (parser.isSet(encoding)) {
        const exporter::CodePageEncoder encoder(parser.value(encoding).toLatin1());
        if (!encoder.isValid())
            return usage(QStringLiteral("unknown encoding \"%1\"").arg(parser.value(encoding)));
        if (style.byteOrderMark && !encoder.isUnicode())
            return usage(QStringLiteral("--bom needs a Unicode encoding, not %1").arg(parser.value(encoding)));
        if (!encoder.isUtf8())
            style.encoding = parser.value(encoding).toLatin1();
    }
    if (parser.isSet(csv)) {
        if (parser.isSet(noQuotes))
            return usage(QStringLiteral("--csv quotes where it must: --no-quotes cannot go with it"));
        style.layout = exporter::OutputStyle::Layout::Csv;
        if (!parser.isSet(separator))
            args.separator = QStringLiteral(",");
    }
    const QString formatName = parser.value(format);
    if (formatName == QLatin1String("jsonl")) {
        // JSON has its own quoting, its own Null and its own encoding.
        for (const QCommandLineOption* other : {&csv, &nullText, &encoding, &bom, &separator, &noQuotes}) {
            if (parser.isSet(*other))
                return usage(QStringLiteral("--%1 cannot go with --format jsonl").arg(other->names().constLast()));
        }
        if (parser.isSet(values) && style.values != exporter::OutputStyle::Values::Exact)
            return usage(QStringLiteral("--format jsonl writes exact values only"));
        style.layout = exporter::OutputStyle::Layout::JsonLines;
        style.values = exporter::OutputStyle::Values::Exact;
        if (!parser.isSet(lineEnd))
            style.lineEnd = "\n";
        args.header = false;
    } else if (parser.isSet(format) && formatName != QLatin1String("text")) {
        return usage(QStringLiteral("--format is \"text\" or \"jsonl\", not \"%1\"").arg(formatName));
    }
    if (args.toStdout && !io.stdoutDevice)
        return usage(QStringLiteral("no standard output to write to"));

    const db::FixedConnectionInputs inputs(args.database, args.password);
    // Salvaging reads through a factory of its own that notes what each table lost.
    db::ObjectFactory* factoryInUse = &factory;
    db::AccessObjectFactory salvaging;
    auto salvageLog = std::make_shared<db::format::SalvageLog>();
    if (parser.isSet(salvage)) {
        salvaging.setSalvage(salvageLog);
        factoryInUse = &salvaging;
    }
    QStringList userTables;
    QString error;
    if (!readUserTables(*factoryInUse, inputs, userTables, error)) {
        io.err(kProgram + QStringLiteral(": cannot open ") + terminalText(args.database + QStringLiteral(": ") + error)
               + QLatin1Char('\n'));
        return kExitUsage;
    }
    if (args.list) {
        QString text;
        for (const QString& name : userTables)
            text += terminalText(name) + QLatin1Char('\n');
        io.out(text);
        return kExitOk;
    }

    QStringList tables;
    if (args.tables.isEmpty()) {
        tables = userTables;
    } else {
        for (const QString& wanted : args.tables) {
            // The catalog's own spelling, so that the file is named as the table is.
            const auto it = std::find_if(userTables.begin(), userTables.end(), [&](const QString& name) {
                return name.compare(wanted, Qt::CaseInsensitive) == 0;
            });
            if (it == userTables.end()) {
                io.err(kProgram + terminalText(QStringLiteral(": no table \"") + wanted + QStringLiteral("\" in ")
                                              + args.database)
                       + QStringLiteral(" (see --list)\n"));
                return kExitUsage;
            }
            tables.append(*it);
        }
    }

    const QString folder = QDir(args.toStdout ? QStringLiteral(".") : args.output).absolutePath();
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir()) {
        io.err(kProgram + QStringLiteral(": the output is not a folder: ") + folder + QLatin1Char('\n'));
        return kExitUsage;
    }
    if (!folderInfo.isDir()) {
        io.err(kProgram + QStringLiteral(": the output folder does not exist: ") + folder + QLatin1Char('\n'));
        return kExitUsage;
    }
    const auto signalled = [&] { return io.stopSignal ? io.stopSignal() : 0; };
    if (signalled() != 0)
        return 128 + signalled();

    CommandLineHost host(io, args.quiet);
    host.options.folderText = folder;
    host.options.separatorText = args.separator;
    host.options.headerOn = args.header;
    host.options.quotesOn = args.quotes;
    host.options.oneFile = args.oneFile || args.toStdout;
    host.options.style = args.style;
    host.options.device = args.toStdout ? io.stdoutDevice : nullptr;
    host.tables.names = tables;
    host.rowsLost = [&salvageLog] { return !salvageLog->lines.isEmpty(); };

    exporter::ExportHost engineHost = host.engineHost();
    engineHost.database = &inputs;
    engineHost.factory = factoryInUse;
    exporter::TableExportEngine engine(engineHost);
    const exporter::ExportResult result = engine.run();
    host.finishProgress();
    if (result.stopped && signalled() != 0)
        return 128 + signalled();

    if (result.folderMissing)
        return kExitUsage;
    // Each failure was said on its own line as it happened; a salvaged table's losses
    // are said here, once its rows are written.
    for (const QString& line : salvageLog->lines)
        io.err(kProgram + QStringLiteral(": ") + terminalText(line) + QLatin1Char('\n'));
    if (result.reports > 0 || !result.tablesFailed.isEmpty() || !salvageLog->lines.isEmpty())
        return kExitSomeFailed;
    return kExitOk;
}

} // namespace quorvane::cli
