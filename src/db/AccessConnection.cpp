#include "AccessConnection.h"

#include "AccessRecordset.h"
#include "ConnectionString.h"
#include "OpenDatabaseCache.h"
#include "format/AccessDatabase.h"

#include <QRegularExpression>

#include <algorithm>

namespace quorvane::db {

namespace {

DbError closedError()
{
    return {errc::kObjectClosed, QStringLiteral("Operation is not allowed when the object is closed.")};
}

constexpr std::uint32_t kSystemFlag = 0x80000000u;
constexpr std::uint32_t kAccessFlag = 0x00000002u;
// Query kinds live in the high nibble of the low byte of a query's flags; 0 is select.
constexpr std::uint32_t kQueryKindMask = 0xF0u;

} // namespace

QString schemaTableType(std::int16_t type, std::uint32_t flags, const QString& name)
{
    using namespace format::objtype;
    switch (type) {
    case kTable:
        // The engine's own tables carry the system flag; the tables Access keeps for
        // itself (MSysAccessStorage, MSysNavPane..., MSysAccessXML) only the 0x2 flag.
        // Anything else is a user table, whatever its name (MSysCompactError is one).
        if (flags & kSystemFlag)
            return QStringLiteral("SYSTEM TABLE");
        if (flags & kAccessFlag)
            return QStringLiteral("ACCESS TABLE");
        return QStringLiteral("TABLE");
    case kAccessLink: return QStringLiteral("LINK");
    case kOdbcLink: return QStringLiteral("PASS-THROUGH");
    case kQuery:
        if ((flags & kQueryKindMask) == 0 && !name.startsWith(QLatin1Char('~')))
            return QStringLiteral("VIEW");
        return {};
    default: return {};
    }
}

bool parseSelectAll(const QString& query, QString& table)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+(?:`([^`]+)`|\[([^\]]+)\]|([^\s;`\[\]]+))\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(query);
    if (!m.hasMatch())
        return false;
    for (int i = 1; i <= 3; ++i) {
        if (m.capturedLength(i) > 0) {
            table = m.captured(i);
            return true;
        }
    }
    return false;
}

AccessConnection::AccessConnection() = default;
AccessConnection::~AccessConnection() = default;

void AccessConnection::open(const QString& connectionString)
{
    if (m_db)
        throw DbException(errc::kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    DbError error;
    const auto settings = parseConnectionString(connectionString, error);
    if (!settings)
        throw DbException(error);
    // The table list and the export that follows share one open of an unchanged file; a
    // salvaging open notes its own losses and is never shared.
    std::shared_ptr<format::AccessDatabase> db;
    if (m_salvage)
        db = format::AccessDatabase::open(settings->dataSource, settings->password, error, m_salvage);
    else
        db = OpenDatabaseCache::open(settings->dataSource, settings->password, error);
    if (!db)
        throw DbException(error);
    m_db = std::move(db);
}

std::shared_ptr<format::AccessDatabase> AccessConnection::database() const
{
    if (!m_db)
        throw DbException(closedError());
    return m_db;
}

std::unique_ptr<Recordset> AccessConnection::openSchema(std::int16_t schema)
{
    const auto db = database();
    if (schema != kSchemaTables)
        throw DbException(errc::kWrongArguments,
                          QStringLiteral("Object or provider is not capable of performing requested operation "
                                         "(schema %1 is not supported).")
                              .arg(schema));
    struct Row {
        QString name;
        QString type;
    };
    // Tables, links and queries are the children of the "Tables" container.
    std::int32_t tablesContainer = 0;
    bool haveContainer = false;
    for (const auto& e : db->catalog()) {
        if (e.type == format::objtype::kContainer && e.name == QLatin1String("Tables")) {
            tablesContainer = e.id;
            haveContainer = true;
            break;
        }
    }
    std::vector<Row> rows;
    for (const auto& e : db->catalog()) {
        if (haveContainer && e.parentId != tablesContainer)
            continue;
        QString type = schemaTableType(e.type, e.flags, e.name);
        if (!type.isEmpty())
            rows.push_back({e.name, std::move(type)});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        const int t = a.type.compare(b.type, Qt::CaseInsensitive);
        if (t != 0)
            return t < 0;
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    std::vector<std::vector<Value>> values;
    values.reserve(rows.size());
    for (auto& r : rows)
        values.push_back({Value::text(std::move(r.name)), Value::text(std::move(r.type))});
    auto rs = std::make_unique<AccessRecordset>();
    rs->openRows({QStringLiteral("TABLE_NAME"), QStringLiteral("TABLE_TYPE")}, std::move(values));
    return rs;
}

void AccessConnection::close()
{
    if (!m_db)
        throw DbException(closedError());
    m_db.reset();
}

} // namespace quorvane::db
