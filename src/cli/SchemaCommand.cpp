#include "SchemaCommand.h"

#include "CommandLineHost.h"

#include "db/ConnectionString.h"
#include "db/DatabaseSchema.h"
#include "export/sql/SqlSchema.h"
#include "export/sql/SqliteExport.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace quorvane::cli {

namespace {

const QString kProgram = QStringLiteral("quorvane-export");

// --schema in any spelling the parser takes, or --format sqlite.
bool asksForDatabase(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--"))
            return false;
        if (a == QLatin1String("--schema") || a == QLatin1String("-schema") || a.startsWith(QLatin1String("--schema="))
            || a.startsWith(QLatin1String("-schema=")))
            return true;
        if ((a == QLatin1String("--format") || a == QLatin1String("-format")) && i + 1 < arguments.size()
            && arguments[i + 1].compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0)
            return true;
        if (a.compare(QLatin1String("--format=sqlite"), Qt::CaseInsensitive) == 0
            || a.compare(QLatin1String("-format=sqlite"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int usage(const CommandIo& io, const QString& text)
{
    io.err(kProgram + QStringLiteral(": ") + text + QStringLiteral("\nTry '") + kProgram + QStringLiteral(" --help'.\n"));
    return kExitUsage;
}

} // namespace

QString databaseCommandHelp()
{
    return QStringLiteral(
        "\nInto other databases:\n"
        "  --schema sqlite|postgres|mysql DATABASE [TABLE...]\n"
        "        print the tables' structure as SQL (columns, keys, indexes, relationships)\n"
        "  --format sqlite -o FILE DATABASE [TABLE...]\n"
        "        write the tables with every row into a new SQLite database FILE\n");
}

std::optional<int> runDatabaseCommand(const QStringList& arguments, db::ObjectFactory& factory, const CommandIo& io)
{
    if (!asksForDatabase(arguments))
        return std::nullopt;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption schema(QStringLiteral("schema"), QStringLiteral("SQL dialect."), QStringLiteral("DIALECT"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("Output format."), QStringLiteral("FORMAT"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Output file."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption password({QStringLiteral("p"), QStringLiteral("password")},
                                      QStringLiteral("The database password."), QStringLiteral("TEXT"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("No progress."));
    parser.addOptions({schema, format, output, password, quiet});
    if (!parser.parse(arguments))
        return usage(io, parser.errorText() + QStringLiteral(" (with --schema or --format sqlite)"));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(io, QStringLiteral("no database given"));
    if (parser.isSet(schema) && parser.isSet(format))
        return usage(io, QStringLiteral("--schema and --format cannot be combined"));

    const QString databasePath = positional.front();
    const db::FixedConnectionInputs inputs(databasePath,
                        parser.isSet(password) ? parser.value(password) : io.env("QUORVANE_PASSWORD"));
    const auto dialect = exporter::sql::dialectNamed(parser.isSet(schema) ? parser.value(schema) : QStringLiteral("sqlite"));
    if (!dialect)
        return usage(io, QStringLiteral("unknown SQL dialect \"") + parser.value(schema)
                             + QStringLiteral("\" (sqlite, postgres or mysql)"));
    if (parser.isSet(format) && (!parser.isSet(output) || parser.value(output).isEmpty()))
        return usage(io, QStringLiteral("--format sqlite needs -o FILE"));

    db::DatabaseSchema tables;
    db::DbError error;
    if (!db::readDatabaseSchema(inputs.databasePath(), inputs.databasePassword(), positional.mid(1), tables, error)) {
        io.err(kProgram + QStringLiteral(": cannot read ") + databasePath + QStringLiteral(": ") + error.description
               + QLatin1Char('\n'));
        return kExitUsage;
    }
    if (parser.isSet(schema)) {
        io.out(exporter::sql::schemaSql(*dialect, tables));
        return kExitOk;
    }

    const bool silent = parser.isSet(quiet);
    CommandLineHost host(io, silent);
    exporter::ExportHost engineHost = host.engineHost();
    const QString target = QFileInfo(parser.value(output)).absoluteFilePath();
    const auto result = exporter::sql::exportToSqlite(target, tables, factory, inputs, engineHost.progress,
                                                      engineHost.events);
    host.finishProgress();
    // Stopped by a signal: like the text export, the file in hand is gone, 128 + its number.
    if (!result.ok && io.stopSignal && io.stopSignal() != 0)
        return 128 + io.stopSignal();
    if (!result.ok) {
        io.err(kProgram + QStringLiteral(": not written: ") + target + QStringLiteral(": ") + result.error
               + QLatin1Char('\n'));
        return kExitSomeFailed;
    }
    if (!silent)
        io.err(QStringLiteral("%1 rows of %2 tables written to %3\n").arg(result.rows).arg(tables.tables.size()).arg(target));
    return kExitOk;
}

} // namespace quorvane::cli
