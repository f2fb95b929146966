// Reader benchmark: scans every row of a table through the record set the program reads
// with, touching every value, and prints rows per second and the process's peak memory.
//
//   readbench DATABASE [TABLE] [--password P] [--repeat N]
//
// Without TABLE the largest local table is scanned.

#include "db/Ado.h"
#include "db/ConnectionString.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

using namespace quorvane::db;

namespace {

struct Inputs : ConnectionInputs {
    QString path, password;
    QString databasePath() const override { return path; }
    QString databasePassword() const override { return password; }
};

double peakMegabytes()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
#else
    return 0.0;
#endif
}

// A cheap fold over the value so the scan cannot skip decoding it.
quint64 touch(const Value& v)
{
    switch (v.kind()) {
    case ValueKind::Null: return 1;
    case ValueKind::Text: return static_cast<quint64>(v.asText().size());
    case ValueKind::Binary: return static_cast<quint64>(v.asBinary().size());
    default: return 3;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Inputs inputs;
    int repeat = 1;
    QString table;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--password") && i + 1 < args.size())
            inputs.password = args[++i];
        else if (args[i] == QLatin1String("--repeat") && i + 1 < args.size())
            repeat = qMax(1, args[++i].toInt());
        else if (inputs.path.isEmpty())
            inputs.path = args[i];
        else
            table = args[i];
    }
    if (inputs.path.isEmpty()) {
        std::fprintf(stderr, "usage: readbench DATABASE [TABLE] [--password P] [--repeat N]\n");
        return 2;
    }

    try {
        auto connection = objectFactory().createConnection(kConnectionProgId);
        connection->open(BuildConnectionString(inputs));
        auto recordset = objectFactory().createRecordset(kRecordSetProgId);

        if (table.isEmpty()) {
            // The local table with the most rows.
            auto schema = connection->openSchema(kSchemaTables);
            qint64 most = -1;
            while (!schema->eof()) {
                if (schema->value(QStringLiteral("TABLE_TYPE")).asText() == QLatin1String("TABLE")) {
                    const QString name = schema->value(QStringLiteral("TABLE_NAME")).asText();
                    recordset->open(QStringLiteral("SELECT * FROM `%1`").arg(name), *connection);
                    if (recordset->recordCount() > most) {
                        most = recordset->recordCount();
                        table = name;
                    }
                    recordset->close();
                }
                schema->moveNext();
            }
        }
        if (table.isEmpty()) {
            std::fprintf(stderr, "no local table\n");
            return 1;
        }

        const double fileMb = QFileInfo(inputs.path).size() / (1024.0 * 1024.0);
        for (int r = 0; r < repeat; ++r) {
            QElapsedTimer timer;
            timer.start();
            recordset->open(QStringLiteral("SELECT * FROM `%1`").arg(table), *connection);
            const qint64 expected = recordset->recordCount();
            const double countSeconds = timer.nsecsElapsed() / 1e9;
            const int columns = recordset->fieldCount();
            qint64 rows = 0;
            quint64 checksum = 0;
            while (!recordset->eof()) {
                for (int c = 0; c < columns; ++c)
                    checksum += touch(recordset->fieldValue(c));
                ++rows;
                recordset->moveNext();
            }
            recordset->close();
            const double seconds = timer.nsecsElapsed() / 1e9;
            std::printf("table %s: %lld rows (record count %lld), %d columns, file %.1f MB\n", qPrintable(table),
                        static_cast<long long>(rows), static_cast<long long>(expected), columns, fileMb);
            std::printf("  open + record count %.3f s, full scan %.3f s, %.0f rows/s, %.1f MB/s, checksum %llu\n",
                        countSeconds, seconds, rows / seconds, fileMb / seconds,
                        static_cast<unsigned long long>(checksum));
        }
        std::printf("peak memory (max RSS): %.1f MB\n", peakMegabytes());
    } catch (const DbException& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
