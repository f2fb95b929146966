#include "TableCursor.h"

#include "AccessDatabase.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

namespace quorvane::db::format {

namespace {

// A moved row may move again; a longer trail than this is a loop.
constexpr int kMaxOverflowHops = 16;
// Calculated values sit behind a wrapper: their length at 16, the value from 20.
constexpr std::size_t kCalcLengthOffset = 16;
constexpr std::size_t kCalcDataOffset = 20;

// A row of the file as one number: its page, then its place in the page's row table.
std::uint64_t rowKey(std::uint32_t page, std::uint32_t row)
{
    return (std::uint64_t(page) << 16) | row;
}

ByteView unwrapCalculated(ByteView d)
{
    if (d.size() < kCalcDataOffset)
        return d;
    const std::uint32_t length = d.u32(kCalcLengthOffset);
    return d.sub(kCalcDataOffset, std::min<std::size_t>(length, d.size() - kCalcDataOffset));
}

enum class Calculated { Plain, Done, Damaged };

// A calculated value (not Memo or OLE, whose wrapper is inside the long value): `d`
// loses its wrapper. Yes/No and Decimal results have layouts of their own and are
// decoded here (Done); the other types' bytes are those of a plain value (Plain).
Calculated decodeCalculated(const ColumnDef& c, ByteView& d, Value& out)
{
    d = unwrapCalculated(d);
    if (d.empty()) { // the expression gave Null
        out = Value::null();
        return Calculated::Done;
    }
    if (c.type == ColumnType::Boolean) {
        out = Value::boolean(d.u8(0) != 0);
        return Calculated::Done;
    }
    if (c.type != ColumnType::Numeric)
        return Calculated::Plain;
    // The length of what follows, the value's own scale, a sign byte, then the
    // magnitude in up to 16 bytes: a leading 32-bit word when the length is not a
    // multiple of 8, then 64-bit words, most significant first, each little-endian.
    if (d.size() < 8)
        return Calculated::Damaged;
    const std::size_t stated = d.u16(0) >= 2 ? d.u16(0) - 2u : d.size() - 4;
    const std::size_t bytes = std::min<std::size_t>({stated / 4 * 4, 16, d.size() - 4});
    const std::uint8_t scale = d.u8(2);
    unsigned __int128 magnitude = 0;
    std::size_t pos = 4;
    if (bytes % 8 != 0) {
        magnitude = d.u32(pos);
        pos += 4;
    }
    for (; pos + 8 <= 4 + bytes; pos += 8)
        magnitude = (magnitude << 64) | d.u64(pos);
    if (scale > 28 || (magnitude >> 96) != 0)
        return Calculated::Damaged;
    Decimal v;
    v.negative = d.u8(3) != 0 && magnitude != 0;
    v.hi = static_cast<std::uint32_t>(magnitude >> 64);
    v.mid = static_cast<std::uint32_t>(magnitude >> 32);
    v.lo = static_cast<std::uint32_t>(magnitude);
    v.scale = scale;
    out = Value::decimal(v);
    return Calculated::Done;
}

// Date/Time Extended is stored as text: 19 digits of days since 0001-01-01, ':',
// 19 digits of the time of day in 100 ns units, ':', and the digits of precision.
bool parseExtendedDate(ByteView d, ExtendedDate& out)
{
    std::int64_t parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        const std::uint8_t ch = d.data()[i];
        if (ch == ':') {
            if (++part > 2)
                return false;
        } else if (ch >= '0' && ch <= '9') {
            if (parts[part] > (INT64_MAX - 9) / 10)
                return false;
            parts[part] = parts[part] * 10 + (ch - '0');
            ++digits[part];
        } else if (ch == 0) {
            break;
        } else {
            return false;
        }
    }
    constexpr std::int64_t kMaxDay = 3652058;             // 9999-12-31
    constexpr std::int64_t kTicksPerDay = 864'000'000'000;
    if (part < 1 || digits[0] == 0 || digits[1] == 0 || parts[0] > kMaxDay || parts[1] >= kTicksPerDay)
        return false;
    out.days = parts[0];
    out.ticks = parts[1];
    return true;
}

// Where a row keeps its parts: the column count at its start, the null mask at its end
// and, before the mask, the offsets of the variable-length values (the last entry is
// where their data ends).
struct RowLayout {
    std::uint32_t columns = 0;
    std::size_t maskStart = 0;
    std::uint32_t varCount = 0;
    std::vector<std::uint32_t>* varOffsets = nullptr; // reused from row to row
};

// The column count (`countSize` bytes) at the row's start and the null mask at its
// end, where both layouts keep them. Returns what is wrong, or null.
const char* readCountAndMask(const ByteView& row, std::size_t countSize, RowLayout& out)
{
    const std::size_t size = row.size();
    if (size < countSize + 1)
        return "a row is too short";
    out.columns = countSize == 1 ? row.u8(0) : row.u16(0);
    const std::size_t maskSize = (out.columns + 7) / 8;
    if (maskSize + countSize > size)
        return "a row's null mask does not fit";
    out.maskStart = size - maskSize;
    out.varCount = 0;
    out.varOffsets->clear();
    return nullptr;
}

// A Jet 4 / ACE row: two-byte column count and offsets. Returns what is wrong, or null.
const char* jet4RowLayout(const ByteView& row, bool hasVarColumns, RowLayout& out)
{
    if (const char* fault = readCountAndMask(row, 2, out); fault || !hasVarColumns)
        return fault;
    if (out.maskStart < 4)
        return "a row's variable column table does not fit";
    const std::size_t tableStart = out.maskStart - 2;
    out.varCount = row.u16(tableStart);
    if (std::size_t(out.varCount) * 2 + 4 > tableStart)
        return "a row's variable column table does not fit";
    for (std::uint32_t i = 0; i <= out.varCount; ++i)
        out.varOffsets->push_back(row.u16(tableStart - 2 - 2 * i));
    return nullptr;
}

// A Jet 3 row: one-byte column count and offsets, plus a jump table naming where the
// offsets pass each further 256 bytes. Returns what is wrong, or null.
const char* jet3RowLayout(const ByteView& row, bool hasVarColumns, RowLayout& out)
{
    if (const char* fault = readCountAndMask(row, 1, out); fault || !hasVarColumns)
        return fault;
    const std::size_t size = row.size();
    const std::size_t maskSize = size - out.maskStart;
    if (out.maskStart < 2)
        return "a row's variable column table does not fit";
    const std::size_t last = size - 1;
    out.varCount = row.u8(last - maskSize);
    std::size_t jumps = (size - 1) / 256;
    if (last < maskSize + jumps + 1)
        return "a row's jump table does not fit";
    const std::size_t colPtr = last - maskSize - jumps - 1;
    if (colPtr < out.varCount)
        return "a row's variable column table does not fit";
    // The last jump entry may be a filler that no offset uses.
    if (jumps > 0 && (colPtr - out.varCount) / 256 < jumps)
        --jumps;
    if (colPtr < out.varCount + 1u)
        return "a row's variable column table does not fit";
    std::size_t jumpsUsed = 0;
    for (std::uint32_t i = 0; i <= out.varCount; ++i) {
        while (jumpsUsed < jumps && i == row.u8(last - maskSize - jumpsUsed - 1))
            ++jumpsUsed;
        out.varOffsets->push_back(row.u8(colPtr - i) + 256u * static_cast<std::uint32_t>(jumpsUsed));
    }
    return nullptr;
}

} // namespace

TableCursor::TableCursor(AccessDatabase& db, TableDef def)
    : m_db(db), m_layout(db.layout()), m_def(std::move(def)), m_salvage(db.salvage() != nullptr)
{
    planColumns();
    if (!m_def.damage.isEmpty())
        m_damage.append(m_def.damage);
}

bool TableCursor::readPast(DbError& error)
{
    if (!m_salvage || error.number != errc::kDamaged) {
        error.inTable(m_def.name);
        return false;
    }
    if (!m_damage.contains(error.damage))
        m_damage.append(error.damage);
    error = {};
    return true;
}

bool TableCursor::init(DbError& error)
{
    if (m_walk.map.load(m_db.pager(), m_layout, m_def.usageMapRow, m_def.usageMapPage, error))
        return true;
    if (!readPast(error))
        return false;
    m_walk.mapLost = m_walk.scanning = true;
    return true;
}

void TableCursor::rewind()
{
    m_walk.map.rewind();
    m_walk.scanning = m_walk.mapLost;
    m_walk.scanNext = 1;
    m_walk.listedNext = 0;
    m_walk.seen.clear();
    m_havePage = false;
    m_page = {};
    m_movedHere.clear();
    m_movedReached.clear();
    m_orphanNext = 0;
    m_orphansReady = false;
}

bool TableCursor::isOwnDataPage(const Page& page) const
{
    return page.bytes.u8(0) == kPageData && page.bytes.u32(m_layout.dataTdefPage) == m_def.page;
}

// Most data pages' row tables fit in this many bytes from the page's start.
constexpr std::uint32_t kPageHeadBytes = 512;

namespace {

// Page `number` and those that follow it both in the walk (`following` gives the walk's
// next pages, false at its end) and in the file, read at once unless held already.
template <class Following>
void readRun(Pager& pager, std::uint32_t number, Following&& following)
{
    if (pager.holdsRead(number))
        return;
    std::uint32_t count = 1;
    std::uint32_t next = 0;
    while (count < Pager::kRunPages && following(next) && next == number + count)
        ++count;
    pager.readAhead(number, count);
}

} // namespace

bool TableCursor::readMapPage(PageWalk& walk, std::uint32_t number, Page& page, DbError& error)
{
    Pager& pager = m_db.pager();
    // The pages that follow in the map and in the file are read with this one. Counting
    // reads only the heads: copying whole pages costs more than the reads it saves.
    if (!walk.head) {
        std::optional<UsageMap> ahead; // copied only when the pages are not held already
        readRun(pager, number, [&](std::uint32_t& next) {
            if (!ahead)
                ahead = walk.map;
            DbError ignored; // the walk itself meets whatever is wrong with the map
            return ahead->next(pager, next, ignored);
        });
    }
    if (!walk.head)
        return pager.page(number, page, error);
    if (!pager.pageHead(number, kPageHeadBytes, *walk.head, page, error))
        return false;
    const std::uint64_t tableEnd = m_layout.dataRowTable + 2ull * page.bytes.u16(m_layout.dataRowCount);
    return tableEnd <= page.bytes.size() || pager.page(number, page, error);
}

bool TableCursor::nextDataPage(PageWalk& walk, Page& page, std::uint32_t& rowCount, DbError& error)
{
    Pager& pager = m_db.pager();
    for (;;) {
        std::uint32_t number = 0;
        if (walk.scanning) {
            // The map is lost: every data page of the file that names this table as its
            // owner, in page order, less those the map gave before it failed.
            if (walk.scanNext > pager.pageCount() || (walk.scanNext == pager.pageCount() && pager.tailBytes() == 0))
                return false;
            number = walk.scanNext++;
            if (number < walk.seen.size() && walk.seen[number])
                continue;
            // A file cut short mid-page still holds the start of its last page: the row
            // table and the rows stored last (rows fill a page from its end).
            if (number == pager.pageCount() ? !pager.tailPage(page, error) : !pager.page(number, page, error)) {
                if (!readPast(error))
                    return false;
                continue;
            }
            if (!isOwnDataPage(page))
                continue;
        } else if (walk.listedOnly) {
            if (walk.listedNext >= walk.listed.size())
                return false;
            number = walk.listed[walk.listedNext++];
            readRun(pager, number, [&walk, i = walk.listedNext](std::uint32_t& next) mutable {
                if (i >= walk.listed.size())
                    return false;
                next = walk.listed[i++];
                return true;
            });
            if (!pager.page(number, page, error) || !isOwnDataPage(page)) {
                if (!error.isError())
                    error = DbError::damaged(QStringLiteral("a page the table's map lists is not one of its data pages"),
                                             number);
                if (!readPast(error))
                    return false;
                continue;
            }
        } else {
            if (!walk.map.next(pager, number, error)) {
                if (!error.isError() || !readPast(error))
                    return false;
                // Whatever the map still had to give (its pages past the end of a cut
                // file are gone; a map that names them may be what is damaged) is
                // looked for among the pages the file holds.
                walk.scanning = true;
                continue;
            }
            if (m_salvage) {
                if (walk.seen.size() <= number)
                    walk.seen.resize(std::size_t(number) + 1);
                walk.seen[number] = true;
            }
            if (!readMapPage(walk, number, page, error)) {
                if (!readPast(error))
                    return false;
                continue;
            }
            // The map names only the table's own data pages: anything else there (a
            // zeroed page, another table's page) is where rows of this one were.
            if (!isOwnDataPage(page)) {
                error = DbError::damaged(QStringLiteral("a page the table's map lists is not one of its data pages"),
                                         number);
                if (!readPast(error))
                    return false;
                continue;
            }
        }
        if (!rowTableCount(page.bytes, m_layout, rowCount)) {
            error = DbError::damaged(QStringLiteral("a data page claims more rows than it can hold"), number);
            if (!readPast(error))
                return false;
            continue;
        }
        walk.present = number == pager.pageCount() ? pager.tailBytes() : pager.pageSize();
        const std::uint32_t tableStart = std::min<std::uint32_t>(walk.present, m_layout.dataRowTable);
        const std::uint32_t entriesPresent = (walk.present - tableStart) / 2;
        if (rowCount > entriesPresent) {
            rowCount = entriesPresent;
            error = DbError::damaged(QStringLiteral("rows lie past the end of the file"), number);
            if (!readPast(error))
                return false;
        }
        return true;
    }
}

void TableCursor::walkPages(std::vector<std::uint32_t> pages)
{
    rewind();
    m_walk.listedOnly = true;
    m_walk.listed = std::move(pages);
}

bool TableCursor::countRows(qint64& count, DbError& error, std::vector<DataPage>* pages)
{
    count = 0;
    if (m_salvage) {
        // Rows that cannot be read are left out, which only a full read can tell.
        std::vector<Value> row;
        rewind();
        while (next(row, error))
            ++count;
        rewind();
        return !error.isError();
    }
    PageWalk walk = m_walk;
    walk.map.rewind();
    return countWalk(std::move(walk), count, error, pages);
}

bool TableCursor::mapPages(std::vector<std::uint32_t>& pages)
{
    pages.clear();
    if (m_walk.mapLost || m_walk.listedOnly)
        return false;
    UsageMap map = m_walk.map;
    map.rewind();
    DbError error;
    std::uint32_t number = 0;
    while (map.next(m_db.pager(), number, error))
        pages.push_back(number);
    return !error.isError();
}

bool TableCursor::countPages(std::vector<std::uint32_t> pages, qint64& count, DbError& error,
                             std::vector<DataPage>* out)
{
    // The pages in runs, whole: where a list of them is at hand, reading several that
    // follow each other in one go costs less than a read for each page's head.
    PageWalk walk;
    walk.listedOnly = true;
    walk.listed = std::move(pages);
    return countWalk(std::move(walk), count, error, out);
}

bool TableCursor::countWalk(PageWalk walk, qint64& count, DbError& error, std::vector<DataPage>* pages)
{
    count = 0;
    std::vector<std::uint8_t> head;
    if (!walk.listedOnly)
        walk.head = &head;
    Page page;
    std::uint32_t rows = 0;
    if (pages)
        pages->clear();
    while (nextDataPage(walk, page, rows, error)) {
        std::uint32_t onPage = 0;
        for (std::uint32_t r = 0; r < rows; ++r) {
            if (!(page.bytes.u16(m_layout.dataRowTable + 2 * r) & kRowDeleted))
                ++onPage;
        }
        count += onPage;
        if (pages)
            pages->push_back({page.number, onPage});
    }
    return !error.isError();
}

void TableCursor::noteSalvage(const QString& label, qint64 recovered, const QString& unit) const
{
    SalvageLog* log = m_db.salvage();
    if (!log || m_damage.isEmpty())
        return;
    log->add(QStringLiteral("%1: %2 %3 recovered, the table definition says %4; %5")
                 .arg(label)
                 .arg(recovered)
                 .arg(unit)
                 .arg(m_def.storedRowCount)
                 .arg(m_damage.join(QStringLiteral("; "))));
}

bool TableCursor::next(std::vector<Value>& values, DbError& error)
{
    for (;;) {
        const Page* page = nullptr;
        std::uint32_t start = 0, end = 0;
        if (!nextRowLocation(page, start, end, error))
            return false;
        if (decodeRow(*page, start, end, values, error))
            return true;
        if (!readPast(error))
            return false;
    }
}

bool TableCursor::nextRowLocation(const Page*& page, std::uint32_t& start, std::uint32_t& end, DbError& error)
{
    for (;;) {
        if (!m_havePage) {
            if (!nextDataPage(m_walk, m_page, m_rowCount, error))
                return !error.isError() && nextOrphan(page, start, end, error);
            m_row = 0;
            m_havePage = true;
        }
        if (m_row >= m_rowCount) {
            m_havePage = false;
            continue;
        }
        const std::uint32_t row = m_row++;
        const std::uint16_t entry = m_page.bytes.u16(m_layout.dataRowTable + 2 * row);
        if (entry & kRowDeleted) {
            // Also where moved rows live: they are read through their pointer. A moved
            // row is flagged deleted alone; a deleted row carries the overflow flag too.
            if (m_salvage && !(entry & kRowOverflow))
                m_movedHere.push_back(rowKey(m_page.number, row));
            continue;
        }
        std::uint16_t flags = 0;
        if (!rowBounds(m_page.bytes, m_layout, m_rowCount, row, start, end, flags)) {
            error = DbError::damaged(QStringLiteral("a row lies outside its page"), m_page.number);
            if (!readPast(error))
                return false;
            continue;
        }
        if (end > m_walk.present) {
            error = DbError::damaged(QStringLiteral("rows lie past the end of the file"), m_page.number);
            if (!readPast(error))
                return false;
            continue;
        }
        if (flags & kRowOverflow) {
            page = &m_movedPage;
            if (followOverflow(m_page, start, end, m_movedPage, start, end, error))
                return true;
            if (!readPast(error))
                return false;
            continue;
        }
        // The row is read where it stands: no copy of the page (and its owner) per row.
        page = &m_page;
        return true;
    }
}

bool TableCursor::nextOrphan(const Page*& page, std::uint32_t& start, std::uint32_t& end, DbError& error)
{
    // Only a table that lost pages can have lost the pointers to its moved rows; in a
    // whole one, a moved row no pointer reaches is one deleted since.
    if (!m_salvage || m_damage.isEmpty())
        return false;
    if (!m_orphansReady) {
        m_orphansReady = true;
        std::sort(m_movedReached.begin(), m_movedReached.end());
        std::erase_if(m_movedHere, [this](std::uint64_t key) {
            return std::binary_search(m_movedReached.begin(), m_movedReached.end(), key);
        });
        if (!m_movedHere.empty())
            m_damage.append(QStringLiteral("%1 moved rows read where they stand, what pointed to them lost")
                                .arg(m_movedHere.size()));
    }
    while (m_orphanNext < m_movedHere.size()) {
        const std::uint64_t key = m_movedHere[m_orphanNext++];
        std::uint16_t flags = 0;
        if (!m_db.pager().page(static_cast<std::uint32_t>(key >> 16), m_movedPage, error)) {
            error = {}; // on the part page of a file cut short: left out, the cut is noted already
            continue;
        }
        if (isOwnDataPage(m_movedPage) && locateRow(m_movedPage.bytes, m_layout, key & 0xFFFF, start, end, flags)) {
            page = &m_movedPage;
            return true;
        }
    }
    return false;
}

bool TableCursor::followOverflow(const Page& from, std::uint32_t start, std::uint32_t end, Page& page,
                                 std::uint32_t& rowStart, std::uint32_t& rowEnd, DbError& error)
{
    Pager& pager = m_db.pager();
    Page current = from;
    for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
        if (end - start < 4) {
            error = DbError::damaged(QStringLiteral("a moved row's pointer is too short"), current.number);
            return false;
        }
        const std::uint32_t row = current.bytes.u8(start);
        const std::uint32_t target = current.bytes.u24(start + 1);
        Page next;
        if (!pager.page(target, next, error))
            return false;
        std::uint16_t flags = 0;
        if (next.bytes.u8(0) != kPageData || !locateRow(next.bytes, m_layout, row, start, end, flags)) {
            error = DbError::damaged(QStringLiteral("a moved row points to no row"), target);
            return false;
        }
        current = std::move(next);
        if (m_salvage)
            m_movedReached.push_back(rowKey(target, row));
        // The row where a record moved to is flagged deleted so a scan skips it; only
        // a further move counts here.
        if (!(flags & kRowOverflow)) {
            page = std::move(current);
            rowStart = start;
            rowEnd = end;
            return true;
        }
    }
    error = DbError::damaged(QStringLiteral("moved rows point in a circle"), from.number);
    return false;
}

void TableCursor::planColumns()
{
    const std::uint32_t countSize = static_cast<std::uint32_t>(m_layout.rowCountSize);
    m_plan.assign(m_def.columns.size(), {});
    m_planMaskBits = 0;
    m_planFixedEnd = 0;
    for (std::size_t i = 0; i < m_def.columns.size(); ++i) {
        const ColumnDef& c = m_def.columns[i];
        ColumnPlan& p = m_plan[i];
        p.maskBit = c.number;
        p.maskFlag = static_cast<std::uint8_t>(1u << (c.number % 8));
        p.maskByte = static_cast<std::uint16_t>(c.number / 8);
        p.varIndex = c.varIndex;
        m_planMaskBits = std::max<std::uint32_t>(m_planMaskBits, p.maskBit + 1u);
        if (i < m_wanted.size() && !m_wanted[i])
            p.source = ColumnPlan::Source::Skipped;
        else if (c.type == ColumnType::Boolean && !c.calculated)
            p.source = ColumnPlan::Source::MaskBit;
        else if (c.fixed)
            p.source = ColumnPlan::Source::Fixed;
        else if (c.type == ColumnType::Text && !c.calculated)
            p.source = ColumnPlan::Source::Text;
        else
            p.source = ColumnPlan::Source::Variable;
        if (p.source != ColumnPlan::Source::Fixed)
            continue;
        p.start = countSize + c.fixedOffset;
        p.end = p.start + fixedSizeOf(c);
        m_planFixedEnd = std::max(m_planFixedEnd, p.end);
        if (c.calculated)
            continue;
        switch (c.type) {
        case ColumnType::Byte: p.source = ColumnPlan::Source::Byte; break;
        case ColumnType::Integer: p.source = ColumnPlan::Source::Integer; break;
        case ColumnType::Long: p.source = ColumnPlan::Source::Long; break;
        case ColumnType::BigInt: p.source = ColumnPlan::Source::BigInt; break;
        case ColumnType::Money: p.source = ColumnPlan::Source::Money; break;
        case ColumnType::Float: p.source = ColumnPlan::Source::Float; break;
        case ColumnType::Double: p.source = ColumnPlan::Source::Double; break;
        case ColumnType::ShortDateTime: p.source = ColumnPlan::Source::DateTime; break;
        default: break;
        }
    }
}

namespace {

template <class T>
T load(const std::uint8_t* bytes)
{
    T v;
    std::memcpy(&v, bytes, sizeof v); // little-endian hosts only, as ByteView
    return v;
}

} // namespace

bool TableCursor::decodeRow(const Page& page, std::uint32_t start, std::uint32_t end, std::vector<Value>& values,
                            DbError& error)
{
    const ByteView row = page.bytes.sub(start, end - start);
    RowLayout shape;
    shape.varOffsets = &m_varOffsets;
    const char* fault = m_layout.jet3() ? jet3RowLayout(row, m_def.varColumnCount > 0, shape)
                                        : jet4RowLayout(row, m_def.varColumnCount > 0, shape);
    if (!fault && row.overrun())
        fault = "a row is shorter than its tables say";
    if (fault) {
        error = DbError::damaged(QString::fromLatin1(fault), page.number);
        return false;
    }
    // Fixed values end where the variable ones begin, and never past the null mask.
    const std::uint32_t fixedEnd = std::min<std::uint32_t>(
        !m_varOffsets.empty() ? m_varOffsets.front() : static_cast<std::uint32_t>(shape.maskStart),
        static_cast<std::uint32_t>(row.size()));
    const std::uint8_t* const bytes = row.data();
    const std::uint8_t* const mask = bytes + shape.maskStart;
    using Source = ColumnPlan::Source;
    // Read from locals: the values written below could, for all the compiler knows,
    // change the plan.
    const std::size_t count = m_plan.size();
    values.resize(count);
    const ColumnPlan* const plan = m_plan.data();
    Value* const out = values.data();
    const std::uint32_t columns = shape.columns;
    // A row written after the last column was added (nearly every row) has a bit and
    // fixed bytes for every column: its walk leaves out the tests for that.
    const auto decodeColumns = [&](auto wholeRow) -> bool {
        constexpr bool kWholeRow = decltype(wholeRow)::value;
        for (std::size_t i = 0; i < count; ++i) {
            const ColumnPlan& p = plan[i];
            Value& value = out[i];
            // A column added after the row was written has no bit in its mask.
            const bool present = (kWholeRow || p.maskBit < columns) && (mask[p.maskByte] & p.maskFlag) != 0;
            // A fixed value present in the mask may still lie past the row's fixed part:
            // the column came after the row was written. It reads as Null.
            const bool fixedHere = present && (kWholeRow || p.end <= fixedEnd);
            const std::uint8_t* const at = bytes + (fixedHere ? p.start : 0);
            switch (p.source) {
            case Source::Skipped: value.setNull(); continue;
            case Source::MaskBit: value.setBoolean(present); continue;
            case Source::Byte: fixedHere ? value.setByte(*at) : value.setNull(); continue;
            case Source::Integer: fixedHere ? value.setInteger(load<std::int16_t>(at)) : value.setNull(); continue;
            case Source::Long: fixedHere ? value.setLong(load<std::int32_t>(at)) : value.setNull(); continue;
            case Source::BigInt: fixedHere ? value.setBigInt(load<std::int64_t>(at)) : value.setNull(); continue;
            case Source::Money: fixedHere ? value.setCurrency(Currency{load<std::int64_t>(at)}) : value.setNull(); continue;
            case Source::Float: fixedHere ? value.setSingle(load<float>(at)) : value.setNull(); continue;
            case Source::Double: fixedHere ? value.setDouble(load<double>(at)) : value.setNull(); continue;
            case Source::DateTime: fixedHere ? value.setDateTime(OleDate{load<double>(at)}) : value.setNull(); continue;
            case Source::Fixed:
            case Source::Variable:
            case Source::Text: break;
            }
            if (!present) {
                value.setNull();
                continue;
            }
            ByteView data;
            if (p.source == Source::Fixed) {
                if (!fixedHere) {
                    value.setNull();
                    continue;
                }
                data = ByteView(at, p.end - p.start);
            } else {
                if (p.varIndex >= shape.varCount) {
                    value.setNull();
                    continue;
                }
                const std::uint32_t from = m_varOffsets[p.varIndex];
                const std::uint32_t to = m_varOffsets[p.varIndex + 1];
                if (from > to || to > shape.maskStart) {
                    error = DbError::damaged(QStringLiteral("a variable column's offsets are out of range"), page.number);
                    return false;
                }
                data = ByteView(bytes + from, to - from);
            }
            if (p.source == Source::Text) {
                m_db.codec().decodeInto(data, value.textToFill());
                continue;
            }
            // Salvaging keeps the row with the value that cannot be read left Null.
            if (!decodeValue(m_def.columns[i], data, page.number, value, error)) {
                if (!readPast(error))
                    return false;
                value.setNull();
            }
        }
        return true;
    };
    if (columns >= m_planMaskBits && fixedEnd >= m_planFixedEnd)
        return decodeColumns(std::true_type{});
    return decodeColumns(std::false_type{});
}

bool TableCursor::decodeValue(const ColumnDef& c, const ByteView& raw, std::uint32_t page, Value& out,
                              DbError& error)
{
    // The view comes by reference: a copy of it, made field by field by the caller and
    // read back whole, stalled the processor on every value.
    ByteView unwrapped;
    const ByteView* view = &raw;
    if (c.calculated && c.type != ColumnType::Memo && c.type != ColumnType::Ole) {
        unwrapped = raw;
        switch (decodeCalculated(c, unwrapped, out)) {
        case Calculated::Done: return true;
        case Calculated::Damaged:
            error = DbError::damaged(QStringLiteral("a calculated value of column '%1' cannot be read").arg(c.name), page);
            return false;
        case Calculated::Plain: break;
        }
        view = &unwrapped;
    }
    const ByteView& d = *view;
    auto tooShort = [&]() {
        error = DbError::damaged(QStringLiteral("a value of column '%1' is cut short").arg(c.name), page);
        return false;
    };
    switch (c.type) {
    case ColumnType::Boolean:
        // Only calculated Yes/No values are stored in the row.
        out = Value::boolean(d.size() > 0 && d.u8(0) != 0);
        return true;
    case ColumnType::Byte:
        if (d.size() < 1) return tooShort();
        out.setByte(d.u8(0));
        return true;
    case ColumnType::Integer:
        if (d.size() < 2) return tooShort();
        out.setInteger(d.i16(0));
        return true;
    case ColumnType::Long:
        if (d.size() < 4) return tooShort();
        out.setLong(d.i32(0));
        return true;
    case ColumnType::BigInt:
        if (d.size() < 8) return tooShort();
        out.setBigInt(d.i64(0));
        return true;
    case ColumnType::Money:
        if (d.size() < 8) return tooShort();
        out.setCurrency(Currency{d.i64(0)});
        return true;
    case ColumnType::Float:
        if (d.size() < 4) return tooShort();
        out.setSingle(d.f32(0));
        return true;
    case ColumnType::Double:
        if (d.size() < 8) return tooShort();
        out.setDouble(d.f64(0));
        return true;
    case ColumnType::ShortDateTime:
        if (d.size() < 8) return tooShort();
        out.setDateTime(OleDate{d.f64(0)});
        return true;
    case ColumnType::Complex:
        if (d.size() < 4) return tooShort();
        out = Value::complex(Complex{d.i32(0), {}});
        return true;
    case ColumnType::Guid: {
        if (d.size() < 16) return tooShort();
        Guid g;
        std::copy_n(d.data(), 16, g.bytes.begin());
        out = Value::guid(g);
        return true;
    }
    case ColumnType::Numeric: {
        // A sign byte, then the 128-bit magnitude as four little-endian 32-bit words,
        // most significant word first.
        if (d.size() < 17) return tooShort();
        if (d.u32(1) != 0 || c.scale > 28) {
            error = DbError::damaged(QStringLiteral("a decimal value of column '%1' is out of range").arg(c.name), page);
            return false;
        }
        Decimal v;
        v.negative = d.u8(0) != 0;
        v.hi = d.u32(5);
        v.mid = d.u32(9);
        v.lo = d.u32(13);
        v.scale = c.scale;
        out = Value::decimal(v);
        return true;
    }
    case ColumnType::ExtDateTime: {
        ExtendedDate v;
        if (!parseExtendedDate(d, v)) {
            error = DbError::damaged(QStringLiteral("a date of column '%1' cannot be read").arg(c.name), page);
            return false;
        }
        out = Value::dateTimeExtended(v);
        return true;
    }
    case ColumnType::Text:
        m_db.codec().decodeInto(d, out.textToFill());
        return true;
    case ColumnType::Memo:
    case ColumnType::Ole: {
        ByteView v;
        if (!readLongValue(d, page, v, error))
            return false;
        if (c.calculated)
            v = unwrapCalculated(v);
        if (c.type == ColumnType::Memo)
            m_db.codec().decodeInto(v, out.textToFill());
        else
            out = Value::binary(QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size())));
        return true;
    }
    case ColumnType::Binary:
    case ColumnType::Unknown:
        break;
    }
    out = Value::binary(QByteArray(reinterpret_cast<const char*>(d.data()), static_cast<qsizetype>(d.size())));
    return true;
}

bool TableCursor::chainRevisits(DbError& error)
{
    // A chain that comes back to a row repeats its text up to the length. Checked once
    // the walk (bounded by the page count) is over: looking each row up among the rows
    // before it costs the square of the chain's length, minutes on a hostile file.
    std::sort(m_chainSeen.begin(), m_chainSeen.end());
    const auto twice = std::adjacent_find(m_chainSeen.begin(), m_chainSeen.end());
    if (twice == m_chainSeen.end())
        return false;
    error = DbError::damaged(QStringLiteral("a long value's chain visits a row twice"), *twice >> 8);
    return true;
}

bool TableCursor::readLongValue(ByteView header, std::uint32_t page, ByteView& out, DbError& error)
{
    Pager& pager = m_db.pager();
    if (header.size() < 12) {
        error = DbError::damaged(QStringLiteral("a long value's header is cut short"), page);
        return false;
    }
    const std::uint32_t word = header.u32(0);
    const std::uint32_t length = word & 0x3FFFFFFFu;
    if (length > pager.fileSize()) {
        error = DbError::damaged(QStringLiteral("a long value is longer than the file"), page);
        return false;
    }
    if (word & 0x80000000u) { // stored in the row
        if (length > header.size() - 12) {
            error = DbError::damaged(QStringLiteral("a long value runs past its row"), page);
            return false;
        }
        out = header.sub(12, length);
        return true;
    }
    std::uint32_t pointer = header.u32(4);
    if (word & 0x40000000u) { // one row elsewhere
        std::uint32_t start = 0, end = 0;
        std::uint16_t flags = 0;
        if (!pager.page(pointer >> 8, m_longValuePage, error))
            return false;
        const ByteView& bytes = m_longValuePage.bytes;
        if (bytes.u8(0) != kPageData || !locateRow(bytes, m_layout, pointer & 0xFF, start, end, flags) ||
            end - start < length) {
            error = DbError::damaged(QStringLiteral("a long value's row cannot be found"), pointer >> 8);
            return false;
        }
        out = bytes.sub(start, length);
        return true;
    }
    // A chain of rows, each starting with the pointer to the next, gathered in a buffer
    // kept from value to value.
    QByteArray& buffer = m_longValueBuffer;
    buffer.clear();
    buffer.reserve(static_cast<qsizetype>(std::min<std::uint32_t>(length, 16u << 20)));
    const std::uint32_t maxSteps = pager.pageCount() + 16;
    m_chainSeen.clear();
    for (std::uint32_t step = 0; static_cast<std::uint32_t>(buffer.size()) < length; ++step) {
        const std::uint32_t target = pointer >> 8;
        if (step > maxSteps && chainRevisits(error))
            return false;
        if (pointer == 0 || step > maxSteps) {
            error = DbError::damaged(QStringLiteral("a long value's chain of pages is broken"), target);
            return false;
        }
        m_chainSeen.push_back(pointer);
        Page p;
        std::uint32_t start = 0, end = 0;
        std::uint16_t flags = 0;
        if (!pager.page(target, p, error))
            return false;
        if (p.bytes.u8(0) != kPageData || !locateRow(p.bytes, m_layout, pointer & 0xFF, start, end, flags) ||
            end - start <= 4) {
            error = DbError::damaged(QStringLiteral("a long value's chain of pages is broken"), target);
            return false;
        }
        pointer = p.bytes.u32(start);
        const std::uint32_t take = std::min(end - start - 4, length - static_cast<std::uint32_t>(buffer.size()));
        buffer.append(reinterpret_cast<const char*>(p.bytes.data() + start + 4), static_cast<qsizetype>(take));
    }
    if (chainRevisits(error))
        return false;
    out = ByteView(reinterpret_cast<const std::uint8_t*>(buffer.constData()), static_cast<std::size_t>(buffer.size()));
    return true;
}

} // namespace quorvane::db::format
