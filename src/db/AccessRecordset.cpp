#include "AccessRecordset.h"

#include "AccessConnection.h"
#include "format/AccessDatabase.h"
#include "format/ComplexColumns.h"
#include "format/TableCursor.h"

#include <exception>
#include <system_error>
#include <thread>

namespace quorvane::db {

namespace {

DbError closedError()
{
    return {errc::kObjectClosed, QStringLiteral("Operation is not allowed when the object is closed.")};
}

DbError noCurrentRecord()
{
    return {errc::kNoCurrentRecord,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested operation "
                           "requires a current record.")};
}

DbError noSuchItem()
{
    return {errc::kItemNotFound,
            QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal.")};
}

// A part is a run of data pages holding about this many rows: enough that handing it
// to a thread costs little beside reading it, few enough that its text stays small.
constexpr qint64 kRowsPerPart = 2048;

// What the readers of one table share, fixed when the parts are made.
struct PartPlan {
    std::shared_ptr<format::AccessDatabase> db;
    std::shared_ptr<const format::ComplexColumns> complex;
    std::uint32_t tdefPage = 0;
    QString table;
    std::vector<std::vector<std::uint32_t>> pages; // of each part
    std::vector<qint64> rows;                      // of each part
};

class TablePartReader : public RowPartReader {
public:
    TablePartReader(std::shared_ptr<const PartPlan> plan, std::unique_ptr<format::AccessDatabase> db,
                    std::unique_ptr<format::TableCursor> cursor)
        : m_plan(std::move(plan)), m_db(std::move(db)), m_cursor(std::move(cursor))
    {
    }
    void start(std::size_t index) override
    {
        m_cursor->walkPages(m_plan->pages.at(index));
        m_left = m_plan->rows.at(index);
    }
    bool next(std::vector<Value>& row) override
    {
        if (m_left <= 0)
            return false;
        DbError error;
        if (!m_cursor->next(row, error)) {
            // The pages were counted when the record set opened; fewer rows now means
            // the file changed or cannot be read the same way twice.
            if (!error.isError()) {
                error = DbError::damaged(QStringLiteral("a page holds fewer rows than counted"), 0);
                error.inTable(m_plan->table);
            }
            m_left = 0;
            throw DbException(error);
        }
        --m_left;
        if (m_plan->complex)
            m_plan->complex->fill(row);
        return true;
    }

private:
    std::shared_ptr<const PartPlan> m_plan;
    std::unique_ptr<format::AccessDatabase> m_db; // the cursor's, for this thread alone
    std::unique_ptr<format::TableCursor> m_cursor;
    qint64 m_left = 0;
};

class TableParts : public RowParts {
public:
    explicit TableParts(std::shared_ptr<const PartPlan> plan) : m_plan(std::move(plan)) {}
    std::size_t count() const override { return m_plan->rows.size(); }
    qint64 rows(std::size_t index) const override { return m_plan->rows.at(index); }
    std::unique_ptr<RowPartReader> reader() const override
    {
        auto db = m_plan->db->reader();
        DbError error;
        auto cursor = db->openTable(m_plan->tdefPage, error, m_plan->table);
        if (!cursor)
            throw DbException(error);
        return std::make_unique<TablePartReader>(m_plan, std::move(db), std::move(cursor));
    }

private:
    std::shared_ptr<const PartPlan> m_plan;
};

// A table of at least this many data pages is counted by two threads, each reading its
// half of the pages in runs: a read for every page's head, one after the other, adds up
// to a pause before a large table's export can start.
constexpr std::size_t kFewestPagesToShare = 512;

// The table's rows counted (and, when not salvaging, its data pages listed in scan
// order), by this thread and, for a large table, another with a reader of its own
// taking the second half of the pages. The result and any failure are those of one
// walk: the first half's failure comes first.
bool countRows(format::AccessDatabase& db, const format::CatalogEntry& entry, format::TableCursor& cursor,
               qint64& count, DbError& error, std::vector<format::TableCursor::DataPage>& pages)
{
    if (db.salvage())
        return cursor.countRows(count, error, nullptr);
    std::vector<std::uint32_t> listed;
    std::unique_ptr<format::AccessDatabase> helperDb;
    std::unique_ptr<format::TableCursor> helper;
    if (cursor.mapPages(listed) && listed.size() >= kFewestPagesToShare) {
        helperDb = db.reader();
        DbError ignored; // counted here alone then
        helper = helperDb->openTable(entry.tdefPage(), ignored, entry.name);
    }
    if (!helper)
        return cursor.countRows(count, error, &pages);
    const auto middle = listed.begin() + static_cast<std::ptrdiff_t>(listed.size() / 2);
    std::vector<std::uint32_t> second(middle, listed.end());
    listed.erase(middle, listed.end());
    qint64 secondCount = 0;
    DbError secondError;
    std::vector<format::TableCursor::DataPage> secondPages;
    bool secondCounted = false;
    std::exception_ptr secondThrew; // out of memory, say: met here, as one walk would
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                secondCounted = helper->countPages(std::move(second), secondCount, secondError, &secondPages);
            } catch (...) {
                secondThrew = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        return cursor.countRows(count, error, &pages); // no thread to be had
    }
    bool firstCounted = false;
    try {
        firstCounted = cursor.countPages(std::move(listed), count, error, &pages);
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (!firstCounted)
        return false;
    if (secondThrew)
        std::rethrow_exception(secondThrew);
    if (!secondCounted) {
        error = secondError;
        return false;
    }
    count += secondCount;
    pages.insert(pages.end(), secondPages.begin(), secondPages.end());
    return true;
}

} // namespace

AccessRecordset::AccessRecordset() = default;
AccessRecordset::~AccessRecordset() = default;

void AccessRecordset::requireOpen() const
{
    if (!m_open)
        throw DbException(closedError());
}

void AccessRecordset::open(const QString& source, Connection& connection, std::int16_t, std::int16_t)
{
    if (m_open)
        throw DbException(errc::kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
    auto* access = dynamic_cast<AccessConnection*>(&connection);
    if (!access)
        throw DbException(errc::kWrongArguments,
                          QStringLiteral("The connection cannot be used to perform this operation."));
    auto db = access->database();
    QString table;
    if (!parseSelectAll(source, table))
        throw DbException(errc::kQuerySyntax,
                          QStringLiteral("Syntax error in query: only \"SELECT * FROM `table`\" can be run here, not "
                                         "'%1'.")
                              .arg(source));
    const format::CatalogEntry* entry = db->findTable(table);
    if (!entry)
        throw DbException(DbError::noSuchTable(table));
    DbError error;
    auto cursor = db->openTable(entry->tdefPage(), error, entry->name);
    if (!cursor)
        throw DbException(error);
    qint64 count = 0;
    std::vector<format::TableCursor::DataPage> pages;
    if (!countRows(*db, *entry, *cursor, count, error, pages))
        throw DbException(error);
    cursor->noteSalvage(entry->name, count);

    m_names.clear();
    m_types.clear();
    for (const auto& c : cursor->columns()) {
        m_names.push_back(c.name);
        m_types.push_back(c.type);
    }
    auto complex = std::make_shared<format::ComplexColumns>(format::ComplexColumns::load(*db, cursor->definition()));
    // Salvaging keeps whatever texts could be gathered; a plain read fails on damage.
    if (complex->damage().isError() && !db->salvage()) {
        DbError damage = complex->damage();
        damage.inTable(entry->name);
        throw DbException(damage);
    }
    m_db = std::move(db);
    m_cursor = std::move(cursor);
    // A table without complex texts to fill in has no need of them at all.
    if (complex->resolvedCount() > 0)
        m_complex = std::move(complex);
    m_count = count;
    m_tdefPage = entry->tdefPage();
    m_table = entry->name;
    m_pages.clear();
    m_pageRows.clear();
    for (const auto& page : pages) {
        m_pages.push_back(page.number);
        m_pageRows.push_back(page.rows);
    }
    m_rows.clear();
    m_open = true;
    try {
        fetch();
    } catch (...) {
        close();
        throw;
    }
}

void AccessRecordset::openRows(std::vector<QString> names, std::vector<std::vector<Value>> rows)
{
    m_names = std::move(names);
    m_types.assign(m_names.size(), ColumnType::Text);
    m_rows = std::move(rows);
    m_rowIndex = 0;
    m_count = static_cast<qint64>(m_rows.size());
    m_cursor.reset();
    m_complex.reset();
    m_db.reset();
    m_open = true;
    fetch();
}

void AccessRecordset::fetch()
{
    if (m_cursor) {
        DbError error;
        m_eof = !m_cursor->next(m_current, error);
        if (error.isError()) {
            m_eof = true;
            throw DbException(error);
        }
        if (!m_eof && m_complex)
            m_complex->fill(m_current);
        return;
    }
    m_eof = m_rowIndex >= m_rows.size();
    if (!m_eof)
        m_current = m_rows[m_rowIndex];
}

void AccessRecordset::close()
{
    requireOpen();
    m_open = false;
    m_eof = true;
    m_cursor.reset();
    m_complex.reset();
    m_db.reset();
    m_rows.clear();
    m_pages.clear();
    m_pageRows.clear();
    m_current.clear();
    m_names.clear();
    m_types.clear();
    m_count = 0;
}

bool AccessRecordset::eof() const
{
    requireOpen();
    return m_eof;
}

void AccessRecordset::moveNext()
{
    requireOpen();
    if (m_eof)
        throw DbException(noCurrentRecord());
    if (!m_cursor)
        ++m_rowIndex;
    fetch();
}

qint64 AccessRecordset::recordCount() const
{
    requireOpen();
    return m_count;
}

int AccessRecordset::fieldCount() const
{
    requireOpen();
    return static_cast<int>(m_names.size());
}

QString AccessRecordset::fieldName(int index) const
{
    requireOpen();
    if (index < 0 || index >= static_cast<int>(m_names.size()))
        throw DbException(noSuchItem());
    return m_names[static_cast<std::size_t>(index)];
}

ColumnType AccessRecordset::fieldType(int index) const
{
    requireOpen();
    if (index < 0 || index >= static_cast<int>(m_types.size()))
        throw DbException(noSuchItem());
    return m_types[static_cast<std::size_t>(index)];
}

const Value& AccessRecordset::fieldValue(int index) const
{
    requireOpen();
    if (index < 0 || index >= static_cast<int>(m_names.size()))
        throw DbException(noSuchItem());
    if (m_eof)
        throw DbException(noCurrentRecord());
    return m_current[static_cast<std::size_t>(index)];
}

void AccessRecordset::takeRow(std::vector<Value>& row)
{
    requireOpen();
    if (m_eof)
        throw DbException(noCurrentRecord());
    // fetch() writes every value of the row it decodes into m_current, so whatever
    // comes back in exchange only lends its storage.
    row.swap(m_current);
}

std::unique_ptr<RowParts> AccessRecordset::rowParts() const
{
    if (!m_open || !m_cursor || m_db->salvage() || m_pages.empty())
        return nullptr;
    auto plan = std::make_shared<PartPlan>();
    plan->db = m_db;
    plan->complex = m_complex;
    plan->tdefPage = m_tdefPage;
    plan->table = m_table;
    qint64 rows = 0;
    std::vector<std::uint32_t> part;
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        part.push_back(m_pages[i]);
        rows += m_pageRows[i];
        if (rows >= kRowsPerPart || i + 1 == m_pages.size()) {
            plan->pages.push_back(std::move(part));
            plan->rows.push_back(rows);
            part.clear();
            rows = 0;
        }
    }
    return std::make_unique<TableParts>(std::move(plan));
}

} // namespace quorvane::db
