// The PostgreSQL DDL against a real server: a throw-away cluster in a temporary folder,
// reached by its Unix socket only (no TCP), started by the test and stopped after it.
// For the sample database mkmdb writes and every corpus file the DDL is applied in a
// schema of its own and each table's CSV export (exact values) is loaded with COPY. Skips where the
// server binaries are absent. The server refuses to run as root: under root it runs as
// "nobody".

#include "export/sql/SqlSchema.h"

#include "../db/CorpusSupport.h"

#include "db/DatabaseSchema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <pwd.h>
#include <unistd.h>

namespace {

using namespace quorvane;

QString serverBinaries()
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("pg_ctl"));
    if (!onPath.isEmpty() && QFile::exists(QFileInfo(onPath).canonicalPath() + QStringLiteral("/initdb")))
        return QFileInfo(onPath).canonicalPath();
    // Debian keeps them out of PATH, one folder per major version.
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::reverse(found.begin(), found.end());
    for (const QString& v : found) {
        const QString bin = versions.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

struct Outcome {
    int code = -1;
    QString output;
};

Outcome run(const QString& program, const QStringList& arguments, const QStringList& asUser = {})
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (asUser.isEmpty())
        p.start(program, arguments);
    else
        p.start(asUser.front(), asUser.mid(1) + QStringList{program} + arguments);
    Outcome o;
    if (!p.waitForFinished(300'000))
        p.kill();
    o.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.output = QString::fromLocal8Bit(p.readAll());
    return o;
}

class Cluster {
public:
    bool start(QString& why)
    {
        m_bin = serverBinaries();
        if (m_bin.isEmpty()) {
            why = QStringLiteral("PostgreSQL server binaries not found (apt-get install postgresql)");
            return false;
        }
        if (!m_dir.isValid()) {
            why = QStringLiteral("no temporary folder");
            return false;
        }
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                why = QStringLiteral("running as root and cannot hand the folder to nobody");
                return false;
            }
            m_asUser = {QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                        QStringLiteral("--regid=%1").arg(nobody->pw_gid), QStringLiteral("--clear-groups"),
                        QStringLiteral("--")};
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        Outcome o = run(m_bin + QStringLiteral("/initdb"),
                        {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"),
                         QStringLiteral("postgres"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                         QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                        m_asUser);
        if (o.code != 0) {
            why = QStringLiteral("initdb failed: ") + o.output;
            return false;
        }
        o = run(m_bin + QStringLiteral("/pg_ctl"),
                {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("log")), QStringLiteral("-w"),
                 QStringLiteral("-o"),
                 QStringLiteral("-c listen_addresses='' -c fsync=off -k ") + m_dir.path(), QStringLiteral("start")},
                m_asUser);
        if (o.code != 0) {
            why = QStringLiteral("the server did not start: ") + o.output;
            return false;
        }
        m_started = true;
        return true;
    }

    ~Cluster()
    {
        if (m_started)
            run(m_bin + QStringLiteral("/pg_ctl"),
                {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("immediate"),
                 QStringLiteral("-w"), QStringLiteral("stop")},
                m_asUser);
    }

    // Runs a script through psql, stopping at the first error.
    Outcome psql(const QString& scriptPath) const
    {
        return run(m_bin + QStringLiteral("/psql"),
                   {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"), m_dir.path(), QStringLiteral("-U"),
                    QStringLiteral("postgres"), QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-v"),
                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-f"), scriptPath});
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_bin;
    QStringList m_asUser;
    bool m_started = false;
};

QString literal(QString s)
{
    return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// One table as the command line writes it for other programs: RFC 4180, exact values,
// Null as \N unquoted (a text reading \N comes quoted, as COPY wants it).
QByteArray exportTable(const QString& path, const QString& password, const QString& table)
{
    QProcess exporter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVANE_PASSWORD"), password);
    exporter.setProcessEnvironment(env);
    exporter.start(QStringLiteral(QUORVANE_EXPORT_BIN),
                   {QStringLiteral("-q"), QStringLiteral("--csv"), QStringLiteral("--values"), QStringLiteral("exact"),
                    QStringLiteral("--null"), QStringLiteral("\\N"), QStringLiteral("-o"), QStringLiteral("-"), path,
                    table});
    if (!exporter.waitForFinished(300'000) || exporter.exitStatus() != QProcess::NormalExit || exporter.exitCode() != 0) {
        ADD_FAILURE() << table.toStdString() << ": " << exporter.readAllStandardError().toStdString();
        return {};
    }
    return exporter.readAllStandardOutput();
}

// The DDL of one database in a schema of its own, then every table's rows through COPY.
// Binary values come as bare hexadecimal, which BYTEA does not take: such a table is
// copied into a text twin first and its binary columns decoded on the way in.
void loadDatabase(const Cluster& cluster, const QString& path, const QString& password, const QString& label,
                  int& loaded)
{
    SCOPED_TRACE(label.toStdString());
    db::DatabaseSchema schema;
    db::DbError error;
    ASSERT_TRUE(db::readDatabaseSchema(path, password, {}, schema, error)) << error.description.toStdString();
    if (schema.tables.empty())
        return;
    const auto pg = exporter::sql::Dialect::Postgres;
    auto q = [&](const QString& name) { return exporter::sql::quoteName(pg, name); };
    QString script = QStringLiteral("SET client_min_messages = warning;\nCREATE SCHEMA ") + q(label)
        + QStringLiteral(";\nSET search_path = ") + q(label) + QStringLiteral(";\n");
    const exporter::sql::SchemaScript ddl = exporter::sql::schemaScript(pg, schema);
    script += ddl.tables;
    for (const int i : exporter::sql::creationOrder(schema)) {
        const db::SchemaTable& t = schema.tables[static_cast<std::size_t>(i)];
        const QString csvPath = cluster.path(QStringLiteral("%1-%2.csv").arg(label).arg(i));
        QFile csv(csvPath);
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write(exportTable(path, password, t.name));
        csv.close();
        const QString copyOptions = literal(csvPath) + QStringLiteral(" WITH (FORMAT csv, HEADER true, NULL '\\N');\n");
        QStringList selected;
        QStringList binary;
        for (const auto& c : t.columns) {
            const bool isBinary = exporter::sql::columnType(pg, c) == QLatin1String("BYTEA");
            selected << (isBinary ? QStringLiteral("decode(%1, 'hex')").arg(q(c.name)) : q(c.name));
            if (isBinary)
                binary << QStringLiteral("ALTER COLUMN %1 TYPE TEXT").arg(q(c.name));
        }
        if (binary.isEmpty()) {
            script += QStringLiteral("COPY ") + q(t.name) + QStringLiteral(" FROM ") + copyOptions;
        } else {
            script += QStringLiteral("CREATE TEMP TABLE staged AS TABLE %1 WITH NO DATA;\n").arg(q(t.name))
                + QStringLiteral("ALTER TABLE staged ") + binary.join(QStringLiteral(", ")) + QStringLiteral(";\n")
                + QStringLiteral("COPY staged FROM ") + copyOptions
                + QStringLiteral("INSERT INTO %1 SELECT %2 FROM staged;\nDROP TABLE staged;\n")
                      .arg(q(t.name), selected.join(QStringLiteral(", ")));
        }
        ++loaded;
    }
    script += ddl.indexes + ddl.after;
    const QString scriptPath = cluster.path(label + QStringLiteral(".sql"));
    QFile f(scriptPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(script.toUtf8());
    f.close();
    const Outcome o = cluster.psql(scriptPath);
    EXPECT_EQ(o.code, 0) << o.output.toStdString();
}

TEST(PostgresLoad, DdlAndCsvOfEveryDatabase)
{
    Cluster cluster;
    QString why;
    if (!cluster.start(why))
        GTEST_SKIP() << why.toStdString();

    const QString sample = cluster.path(QStringLiteral("sample.mdb"));
    ASSERT_EQ(run(QStringLiteral(QUORVANE_MKMDB_BIN), {QStringLiteral("sample"), sample}).code, 0);
    int loaded = 0;
    loadDatabase(cluster, sample, {}, QStringLiteral("sample"), loaded);

    const auto passwords = test::corpusPasswords();
    for (const QString& file : test::corpusFiles())
        loadDatabase(cluster, test::corpusFile(file), passwords.value(file), QString::fromStdString(test::testNameOf(file)),
                     loaded);
    std::printf("PostgreSQL: %d tables loaded with COPY\n", loaded);
}

} // namespace
