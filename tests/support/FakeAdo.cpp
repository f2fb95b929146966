#include "FakeAdo.h"

#include "db/ConnectionString.h"

namespace quorvane::fakes {

namespace {

const QString kNotOpen = QStringLiteral("Operation is not allowed when the object is closed.");

db::DbException noCurrentRecord()
{
    return db::DbException(db::errc::kNoCurrentRecord,
                           QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
}

} // namespace

FakeTable& FakeDatabase::add(QString name, QStringList columns, std::vector<std::vector<db::Value>> rows)
{
    tables.push_back({std::move(name), std::move(columns), std::move(rows)});
    return tables.back();
}

const FakeTable* FakeDatabase::find(const QString& name) const
{
    for (const FakeTable& t : tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

void FakeConnection::open(const QString& connectionString)
{
    if (m_open)
        throw db::DbException(db::errc::kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    m_db->connectionStrings.append(connectionString);
    m_db->connectionMode = m_mode;
    if (m_db->openError)
        throw db::DbException(*m_db->openError);
    m_open = true;
}

std::unique_ptr<db::Recordset> FakeConnection::openSchema(std::int16_t schema)
{
    if (!m_open)
        throw db::DbException(db::errc::kObjectClosed, kNotOpen);
    if (schema != db::kSchemaTables)
        throw db::DbException(db::errc::kWrongArguments, QStringLiteral("Arguments are of the wrong type."));
    std::vector<std::vector<db::Value>> rows;
    for (const FakeTable& t : m_db->tables)
        rows.push_back({db::Value::text(t.name), db::Value::text(t.type)});
    return std::make_unique<FakeRecordset>(QStringList{QStringLiteral("TABLE_NAME"), QStringLiteral("TABLE_TYPE")},
                                           std::move(rows));
}

void FakeConnection::close()
{
    if (!m_open)
        throw db::DbException(db::errc::kObjectClosed, kNotOpen);
    m_open = false;
}

FakeRecordset::FakeRecordset(QStringList columns, std::vector<std::vector<db::Value>> rows)
    : m_open(true), m_columns(std::move(columns)), m_rows(std::move(rows))
{
}

void FakeRecordset::open(const QString& source, db::Connection& connection, std::int16_t, std::int16_t)
{
    if (m_open)
        throw db::DbException(db::errc::kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    auto* fake = dynamic_cast<FakeConnection*>(&connection);
    if (!fake || fake->state() == db::kStateClosed)
        throw db::DbException(db::errc::kObjectClosed, kNotOpen);
    FakeDatabase& db = fake->database();
    db.queries.append(source);

    // Only the one form of query the program sends: SELECT * FROM `name`.
    const QString head = QStringLiteral("SELECT * FROM `");
    if (!source.startsWith(head) || !source.endsWith(QLatin1Char('`')))
        throw db::DbException(db::errc::kQuerySyntax, QStringLiteral("Syntax error in FROM clause."));
    const QString name = source.mid(head.size(), source.size() - head.size() - 1);
    if (auto it = db.queryErrors.find(name); it != db.queryErrors.end())
        throw db::DbException(it->second);
    const FakeTable* table = db.find(name);
    if (!table || name.contains(QLatin1Char('`')))
        throw db::DbException(db::DbError::noSuchTable(name));

    m_table = table->name;
    m_columns = table->columns;
    m_rows = table->rows;
    m_position = 0;
    m_countOverride.reset();
    if (auto it = db.recordCountOverride.find(m_table); it != db.recordCountOverride.end())
        m_countOverride = it->second;
    m_cellErrors.clear();
    for (const auto& e : db.cellErrors) {
        if (e.table == m_table)
            m_cellErrors.push_back(e);
    }
    m_moveErrors.clear();
    for (const auto& e : db.moveErrors) {
        if (e.table == m_table)
            m_moveErrors.push_back(e);
    }
    m_open = true;
}

void FakeRecordset::requireOpen() const
{
    if (!m_open)
        throw db::DbException(db::errc::kObjectClosed, kNotOpen);
}

void FakeRecordset::close()
{
    requireOpen();
    m_open = false;
}

bool FakeRecordset::eof() const
{
    requireOpen();
    return m_position >= static_cast<qint64>(m_rows.size());
}

void FakeRecordset::moveNext()
{
    requireOpen();
    if (m_position >= static_cast<qint64>(m_rows.size()))
        throw noCurrentRecord();
    for (const auto& e : m_moveErrors) {
        if (e.row == m_position)
            throw db::DbException(e.error);
    }
    ++m_position;
}

qint64 FakeRecordset::recordCount() const
{
    requireOpen();
    return m_countOverride ? *m_countOverride : static_cast<qint64>(m_rows.size());
}

int FakeRecordset::fieldCount() const
{
    requireOpen();
    return static_cast<int>(m_columns.size());
}

QString FakeRecordset::fieldName(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_columns.size())
        throw db::DbException(db::errc::kItemNotFound, QStringLiteral("Item cannot be found in the collection."));
    return m_columns[index];
}

const db::Value& FakeRecordset::fieldValue(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_columns.size())
        throw db::DbException(db::errc::kItemNotFound, QStringLiteral("Item cannot be found in the collection."));
    if (m_position >= static_cast<qint64>(m_rows.size()))
        throw noCurrentRecord();
    for (const auto& e : m_cellErrors) {
        if (e.row == m_position && e.column == index)
            throw db::DbException(e.error);
    }
    const auto& row = m_rows[static_cast<std::size_t>(m_position)];
    static const db::Value kNull;
    return index < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(index)] : kNull;
}

std::unique_ptr<db::Connection> FakeObjectFactory::createConnection(const QString& progId)
{
    if (progId.compare(db::kConnectionProgId, Qt::CaseInsensitive) != 0)
        throw db::DbException(db::cannotCreateObject(progId));
    return std::make_unique<FakeConnection>(m_db);
}

std::unique_ptr<db::Recordset> FakeObjectFactory::createRecordset(const QString& progId)
{
    if (progId.compare(db::kRecordSetProgId, Qt::CaseInsensitive) != 0)
        throw db::DbException(db::cannotCreateObject(progId));
    return std::make_unique<FakeRecordset>();
}

} // namespace quorvane::fakes
