#include "ExportCommand.h"

#include "CommandLineHost.h"
#include "SchemaCommand.h"

#include "app/report/ApplicationError.h"
#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "export/TableExportEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

namespace quorvane::cli {

namespace {

const QString kProgram = QStringLiteral("quorvane-export");

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
        "LC_NUMERIC, LANG). Files are named after their table with \".txt\" appended.\n"
        "\nExit status: 0 every table written, 1 some tables failed, 2 bad usage, a database\n"
        "that cannot be opened or an output folder that does not exist.\n");
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
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the files into DIR (default: the current folder)."),
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
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    parser.addOptions({output, separator, noHeader, noQuotes, oneFile, password, list, quiet, help, version});
    parser.addPositionalArgument(QStringLiteral("DATABASE"), QStringLiteral("The .mdb or .accdb file."));
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("Tables to export (default: all)."),
                                 QStringLiteral("[TABLE...]"));

    if (!parser.parse(arguments)) {
        io.err(kProgram + QStringLiteral(": ") + parser.errorText() + QStringLiteral("\nTry '") + kProgram
               + QStringLiteral(" --help'.\n"));
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        io.out(helpText(parser));
        return kExitOk;
    }
    if (parser.isSet(version)) {
        io.out(kProgram + QLatin1Char(' ') + QStringLiteral(QUORVANE_VERSION) + QLatin1Char('\n'));
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        io.err(kProgram + QStringLiteral(": no database given\nTry '") + kProgram + QStringLiteral(" --help'.\n"));
        return kExitUsage;
    }

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

    const db::FixedConnectionInputs inputs(args.database, args.password);
    QStringList userTables;
    QString error;
    if (!readUserTables(factory, inputs, userTables, error)) {
        io.err(kProgram + QStringLiteral(": cannot open ") + args.database + QStringLiteral(": ") + error
               + QLatin1Char('\n'));
        return kExitUsage;
    }
    if (args.list) {
        QString text;
        for (const QString& name : userTables)
            text += name + QLatin1Char('\n');
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
                io.err(kProgram + QStringLiteral(": no table \"") + wanted + QStringLiteral("\" in ") + args.database
                       + QStringLiteral(" (see --list)\n"));
                return kExitUsage;
            }
            tables.append(*it);
        }
    }

    const QString folder = QDir(args.output).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        io.err(kProgram + QStringLiteral(": the output folder does not exist: ") + folder + QLatin1Char('\n'));
        return kExitUsage;
    }

    CommandLineHost host(io, args.quiet);
    host.options.folderText = folder;
    host.options.separatorText = args.separator;
    host.options.headerOn = args.header;
    host.options.quotesOn = args.quotes;
    host.options.oneFile = args.oneFile;
    host.tables.names = tables;

    exporter::ExportHost engineHost = host.engineHost();
    engineHost.database = &inputs;
    engineHost.factory = &factory;
    exporter::TableExportEngine engine(engineHost);
    const exporter::ExportResult result = engine.run();
    host.finishProgress();

    if (result.folderMissing)
        return kExitUsage;
    if (result.reports > 0 || !result.tablesFailed.isEmpty()) {
        if (!result.tablesFailed.isEmpty())
            io.err(kProgram + QStringLiteral(": not written: ") + result.tablesFailed.join(QStringLiteral(", "))
                   + QLatin1Char('\n'));
        return kExitSomeFailed;
    }
    return kExitOk;
}

} // namespace quorvane::cli
