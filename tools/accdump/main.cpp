// accdump [--password P] [--salvage] DATABASE: prints every local user table of an Access
// database as JSON lines (a table object, then one array per record). With --salvage,
// a damaged file gives the rows that can be read, and each table that lost rows is
// named on stderr (exit status 1).

#include "db/Ado.h"
#include "db/ConnectionString.h"
#include "db/JsonDump.h"
#include "db/AccessConnection.h"
#include "db/AccessObjectFactory.h"
#include "db/format/AccessDatabase.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace quorvane::db;

namespace {

int usage()
{
    std::fputs("usage: accdump [--password P] [--catalog] [--salvage] DATABASE\n", stderr);
    return 2;
}

void writeLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    QString password;
    QString path;
    bool catalog = false;
    bool salvage = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--password")) {
            if (++i >= args.size())
                return usage();
            password = args[i];
        } else if (args[i] == QLatin1String("--catalog")) {
            catalog = true;
        } else if (args[i] == QLatin1String("--salvage")) {
            salvage = true;
        } else if (path.isEmpty()) {
            path = args[i];
        } else {
            return usage();
        }
    }
    if (path.isEmpty())
        return usage();

    if (catalog) {
        // Every catalog object with its type, flags and what the tables schema calls it.
        DbError error;
        auto db = format::AccessDatabase::open(path, password, error);
        if (!db) {
            std::fprintf(stderr, "%s\n", error.description.toUtf8().constData());
            return 1;
        }
        for (const auto& e : db->catalog())
            std::printf("%-40s type %6d flags 0x%08x parent 0x%08x page %u %s\n", e.name.toUtf8().constData(), e.type,
                        e.flags, static_cast<unsigned>(e.parentId), e.tdefPage(),
                        schemaTableType(e.type, e.flags, e.name).toUtf8().constData());
        return 0;
    }

    AccessObjectFactory salvaging;
    auto salvageLog = std::make_shared<format::SalvageLog>();
    if (salvage)
        salvaging.setSalvage(salvageLog);
    ObjectFactory& factory = salvage ? salvaging : objectFactory();
    try {
        auto connection = factory.createConnection(kConnectionProgId);
        connection->open(QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=%1;Jet OLEDB:Database Password=%2")
                             .arg(quoteConnectionValue(path), quoteConnectionValue(password)));
        auto schema = connection->openSchema(kSchemaTables);
        QStringList tables;
        for (; !schema->eof(); schema->moveNext()) {
            if (schema->value(QStringLiteral("TABLE_TYPE")).asText() == QLatin1String("TABLE"))
                tables << schema->value(QStringLiteral("TABLE_NAME")).asText();
        }
        auto rs = factory.createRecordset(kRecordSetProgId);
        std::vector<Value> values;
        for (const QString& table : tables) {
            try {
                rs->open(QStringLiteral("SELECT * FROM `%1`").arg(table), *connection);
                std::vector<std::pair<QString, ColumnType>> columns;
                for (int i = 0; i < rs->fieldCount(); ++i)
                    columns.emplace_back(rs->fieldName(i), rs->fieldType(i));
                writeLine(jsonTableLine(table, false, rs->recordCount(), columns));
                for (; !rs->eof(); rs->moveNext()) {
                    values.resize(static_cast<std::size_t>(rs->fieldCount()));
                    for (int i = 0; i < rs->fieldCount(); ++i)
                        values[static_cast<std::size_t>(i)] = rs->fieldValue(i);
                    writeLine(jsonRecordLine(values));
                }
                rs->close();
            } catch (const DbException& e) {
                // Salvaging goes on with the next table; the lost one is named at the end.
                if (!salvage)
                    throw;
                if (rs->state() == kStateOpen)
                    rs->close();
                salvageLog->add(QStringLiteral("%1: %2").arg(table, e.description()));
            }
        }
        connection->close();
    } catch (const DbException& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.description().toUtf8().constData());
        return 1;
    }
    for (const QString& line : salvageLog->lines)
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    return salvageLog->lines.isEmpty() ? 0 : 1;
}
