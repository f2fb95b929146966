#include "TableBuilder.h"

#include "JetText.h"
#include "LittleEndian.h"
#include "PageFile.h"

#include <QSet>

#include <algorithm>
#include <cassert>

namespace quorvane::mdbwriter {

using db::ColumnType;
using db::Value;
using db::ValueKind;

namespace {

constexpr int kDefinitionHeaderSize = 63;
constexpr int kColumnBlockSize = 25;
constexpr int kLongValueMapRefSize = 10;
constexpr int kContinuationHeaderSize = 8;
constexpr int kMaxRowSize = 4060;
// The number Jet writes into every table and column definition; its meaning is unknown.
constexpr std::uint32_t kDefinitionMagic = 0x0659;
constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint16_t kGeneralSortOrder = 0x0409;

// Usage maps: an inline map holds a start page and a bitmap of 64 bytes; a reference
// map holds pointers to map pages, each of which maps a fixed range of the file.
constexpr int kMapRowSize = 69;
constexpr int kInlineBits = (kMapRowSize - 5) * 8;
constexpr int kMapPageBits = (kPageSize - 4) * 8;
constexpr int kReferenceSlots = (kMapRowSize - 1) / 4;

int nameSize(const QString& name)
{
    return 2 + 2 * static_cast<int>(name.size());
}

QString kindName(ValueKind kind)
{
    static const char* const kNames[] = {"Null", "Text", "Byte", "Integer", "Long", "BigInt", "Single",
                                         "Double", "Currency", "Decimal", "DateTime", "DateTimeExtended",
                                         "Boolean", "Guid", "Binary", "Complex"};
    return QString::fromLatin1(kNames[static_cast<int>(kind)]);
}

// The value kind each column kind takes.
ValueKind expectedKind(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo: return ValueKind::Text;
    case ColumnType::Byte: return ValueKind::Byte;
    case ColumnType::Integer: return ValueKind::Integer;
    case ColumnType::Long: return ValueKind::Long;
    case ColumnType::Float: return ValueKind::Single;
    case ColumnType::Double: return ValueKind::Double;
    case ColumnType::Money: return ValueKind::Currency;
    case ColumnType::Numeric: return ValueKind::Decimal;
    case ColumnType::ShortDateTime: return ValueKind::DateTime;
    case ColumnType::Boolean: return ValueKind::Boolean;
    case ColumnType::Guid: return ValueKind::Guid;
    case ColumnType::Binary:
    case ColumnType::Ole: return ValueKind::Binary;
    default: return ValueKind::Null;
    }
}

// A decimal's magnitude brought to the column's scale; false when digits would be
// lost or the value has more digits than the column's precision.
bool scaleDecimal(const db::Decimal& d, int scale, int precision, unsigned __int128& magnitude)
{
    magnitude = (static_cast<unsigned __int128>(d.hi) << 64) | (static_cast<unsigned __int128>(d.mid) << 32) | d.lo;
    for (int s = d.scale; s < scale; ++s)
        magnitude *= 10; // at most 28 + 28 digits: no overflow in 128 bits
    for (int s = d.scale; s > scale; --s) {
        if (magnitude % 10 != 0)
            return false;
        magnitude /= 10;
    }
    unsigned __int128 limit = 1;
    for (int i = 0; i < precision; ++i)
        limit *= 10;
    return magnitude < limit;
}

} // namespace

int TableBuilder::definitionPageCount(const std::vector<Column>& columns)
{
    int size = kDefinitionHeaderSize + 2;
    for (const auto& c : columns)
        size += kColumnBlockSize + nameSize(c.name) + (c.isLongValue() ? kLongValueMapRefSize : 0);
    if (size <= kPageSize)
        return 1;
    const int rest = size - kPageSize;
    const int perPage = kPageSize - kContinuationHeaderSize;
    return 1 + (rest + perPage - 1) / perPage;
}

QString TableBuilder::checkColumns(const std::vector<Column>& columns)
{
    if (columns.empty() || columns.size() > 255)
        return QStringLiteral("a table has 1 to 255 columns");
    QSet<QString> names;
    int longValues = 0;
    for (const auto& c : columns) {
        if (const QString problem = c.check(); !problem.isEmpty())
            return problem;
        const QString key = c.name.toCaseFolded();
        if (names.contains(key))
            return QStringLiteral("two columns are named \"%1\"").arg(c.name);
        names.insert(key);
        longValues += c.isLongValue() ? 1 : 0;
    }
    // All usage-map rows of a table share one page.
    const int mapRows = 2 + 2 * longValues;
    if (mapRows * (kMapRowSize + 2) > kPageSize - DataPage::kHeaderSize)
        return QStringLiteral("too many memo and OLE columns in one table");
    return {};
}

TableBuilder::TableBuilder(PageFile& file, QString name, std::vector<Column> columns, Kind kind,
                           std::uint32_t definitionPage)
    : m_file(file), m_name(std::move(name)), m_columns(std::move(columns)), m_kind(kind),
      m_definitionPage(definitionPage)
{
    for (const auto& c : m_columns) {
        m_fixedOffsets.push_back(c.isVariable() ? 0 : m_fixedSize);
        m_fixedSize += c.fixedSize();
        m_varIndexes.push_back(c.isVariable() ? m_varCount++ : -1);
        if (c.isLongValue()) {
            m_longValueSlot.push_back(static_cast<int>(m_longValues.size()));
            m_longValues.push_back(std::make_unique<LongValueStore>(m_file));
        } else {
            m_longValueSlot.push_back(-1);
        }
    }
    m_nullMask.resize((m_columns.size() + 7) / 8);
    m_varStarts.resize(m_varCount);
}

TableBuilder::~TableBuilder() = default;

bool TableBuilder::addRow(std::span<const Value> values, QString& error)
{
    if (values.size() != m_columns.size()) {
        error = QStringLiteral("table \"%1\": a row of %2 values for %3 columns")
                    .arg(m_name).arg(values.size()).arg(m_columns.size());
        return false;
    }
    m_row.assign(2 + m_fixedSize, 0);
    le::put16(m_row.data(), static_cast<std::uint16_t>(m_columns.size()));
    m_var.clear();
    std::fill(m_nullMask.begin(), m_nullMask.end(), 0);
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (!encodeValue(m_columns[i], values[i], static_cast<int>(i), error)) {
            error = QStringLiteral("table \"%1\", column \"%2\": %3").arg(m_name, m_columns[i].name, error);
            return false;
        }
    }
    return placeRow(error);
}

bool TableBuilder::encodeValue(const Column& column, const Value& value, int columnIndex, QString& error)
{
    if (value.isNull()) {
        if (column.isVariable())
            m_varStarts[m_varIndexes[columnIndex]] = static_cast<std::uint16_t>(m_var.size());
        return true; // the null-mask bit stays clear and the fixed bytes stay zero
    }
    if (value.kind() != expectedKind(column.type)) {
        error = QStringLiteral("a %1 value where the column takes %2")
                    .arg(kindName(value.kind()), kindName(expectedKind(column.type)));
        return false;
    }
    auto setPresent = [&] { m_nullMask[columnIndex / 8] |= std::uint8_t(1u << (columnIndex % 8)); };
    std::uint8_t* fixed = m_row.data() + 2 + m_fixedOffsets[columnIndex];

    switch (column.type) {
    case ColumnType::Boolean:
        // Yes/No lives in the null mask alone: set is Yes.
        if (value.asBoolean())
            setPresent();
        return true;
    case ColumnType::Byte: *fixed = value.asByte(); break;
    case ColumnType::Integer: le::put16(fixed, static_cast<std::uint16_t>(value.asInteger())); break;
    case ColumnType::Long: le::put32(fixed, static_cast<std::uint32_t>(value.asLong())); break;
    case ColumnType::Float: le::putFloat(fixed, value.asSingle()); break;
    case ColumnType::Double: le::putDouble(fixed, value.asDouble()); break;
    case ColumnType::Money: le::put64(fixed, static_cast<std::uint64_t>(value.asCurrency().scaled)); break;
    case ColumnType::ShortDateTime: le::putDouble(fixed, value.asDateTime().days); break;
    case ColumnType::Guid:
        std::copy(value.asGuid().bytes.begin(), value.asGuid().bytes.end(), fixed);
        break;
    case ColumnType::Numeric: {
        unsigned __int128 magnitude = 0;
        if (!scaleDecimal(value.asDecimal(), column.scale, column.precision, magnitude)) {
            error = QStringLiteral("%1 does not fit a decimal of precision %2 and scale %3")
                        .arg(value.asDecimal().toString()).arg(column.precision).arg(column.scale);
            return false;
        }
        // A sign byte, then the 128-bit magnitude as four 32-bit words, most significant first.
        fixed[0] = (value.asDecimal().negative && magnitude != 0) ? 0x80 : 0x00;
        for (int w = 0; w < 4; ++w)
            le::put32(fixed + 1 + 4 * w, static_cast<std::uint32_t>(magnitude >> (32 * (3 - w))));
        break;
    }
    case ColumnType::Text:
    case ColumnType::Binary:
    case ColumnType::Memo:
    case ColumnType::Ole: {
        m_varStarts[m_varIndexes[columnIndex]] = static_cast<std::uint16_t>(m_var.size());
        QByteArray data;
        if (column.type == ColumnType::Text || column.type == ColumnType::Memo) {
            const QString& text = value.asText();
            if (column.type == ColumnType::Text && text.size() > column.length) {
                error = QStringLiteral("%1 characters where the column holds %2").arg(text.size()).arg(column.length);
                return false;
            }
            const bool compress = column.type == ColumnType::Text || text.size() <= jettext::kMaxCompressedMemoChars;
            data = jettext::encode(text, compress);
        } else {
            data = value.asBinary();
            if (column.type == ColumnType::Binary && data.size() > column.length) {
                error = QStringLiteral("%1 bytes where the column holds %2").arg(data.size()).arg(column.length);
                return false;
            }
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
        if (column.isLongValue()) {
            std::array<std::uint8_t, LongValueStore::kHeaderSize> header;
            const bool inlined = data.size() <= LongValueStore::kMaxInline;
            if (inlined)
                header = LongValueStore::inlineHeader(static_cast<int>(data.size()));
            else if (!m_longValues[m_longValueSlot[columnIndex]]->store(data, header, error))
                return false;
            m_var.insert(m_var.end(), header.begin(), header.end());
            if (!inlined)
                break;
        }
        m_var.insert(m_var.end(), bytes, bytes + data.size());
        break;
    }
    default:
        assert(false && "column kinds are checked when the table begins");
        return false;
    }
    setPresent();
    return true;
}

bool TableBuilder::placeRow(QString& error)
{
    const int varBase = static_cast<int>(m_row.size());
    m_row.insert(m_row.end(), m_var.begin(), m_var.end());
    if (m_varCount > 0) {
        // After the data: where the data ends, the starts of the variable columns from
        // last to first, their count; every offset counted from the start of the row.
        const int end = static_cast<int>(m_row.size());
        m_row.resize(end + 2 * (m_varCount + 2));
        std::uint8_t* p = m_row.data() + end;
        le::put16(p, static_cast<std::uint16_t>(end));
        p += 2;
        for (int v = m_varCount - 1; v >= 0; --v, p += 2)
            le::put16(p, static_cast<std::uint16_t>(varBase + m_varStarts[v]));
        le::put16(p, static_cast<std::uint16_t>(m_varCount));
    }
    m_row.insert(m_row.end(), m_nullMask.begin(), m_nullMask.end());

    const int size = static_cast<int>(m_row.size());
    if (size > kMaxRowSize) {
        error = QStringLiteral("table \"%1\": a row of %2 bytes is longer than a row may be (%3)")
                    .arg(m_name).arg(size).arg(kMaxRowSize);
        return false;
    }
    if (!m_pageOpen || !m_page.fits(size)) {
        if (m_pageOpen && !m_file.write(m_page.number(), m_page.bytes())) {
            error = m_file.errorString();
            return false;
        }
        const std::uint32_t number = m_file.allocate();
        m_page.reset(number, m_definitionPage);
        m_pages.push_back(number);
        m_pageOpen = true;
    }
    m_page.addRow(m_row);
    ++m_rowCount;
    return true;
}

bool TableBuilder::finish(QString& error)
{
    if (m_pageOpen && !m_file.write(m_page.number(), m_page.bytes())) {
        error = m_file.errorString();
        return false;
    }
    m_pageOpen = false;
    for (auto& store : m_longValues) {
        if (!store->flush()) {
            error = m_file.errorString();
            return false;
        }
    }
    return true;
}

QByteArray TableBuilder::usageMap(const std::vector<std::uint32_t>& pages, QString& error)
{
    QByteArray row(kMapRowSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(row.data());
    if (pages.empty())
        return row;
    const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
    if (*high - *low < std::uint32_t(kInlineBits)) {
        // Inline: type 0, the first page, one bit per page from there.
        le::put32(p + 1, *low);
        for (const std::uint32_t page : pages) {
            const std::uint32_t bit = page - *low;
            p[5 + bit / 8] |= std::uint8_t(1u << (bit % 8));
        }
        return row;
    }
    // Reference: type 1, then pointers to map pages, the k-th mapping the pages from
    // k * kMapPageBits on.
    if (*high / kMapPageBits >= std::uint32_t(kReferenceSlots)) {
        error = QStringLiteral("table \"%1\" reaches beyond what a usage map can hold").arg(m_name);
        return {};
    }
    p[0] = 0x01;
    std::vector<std::array<std::uint8_t, kPageSize>> maps(*high / kMapPageBits + 1);
    std::vector<bool> used(maps.size(), false);
    for (const std::uint32_t page : pages) {
        const std::size_t slot = page / kMapPageBits;
        const std::uint32_t bit = page % kMapPageBits;
        maps[slot][4 + bit / 8] |= std::uint8_t(1u << (bit % 8));
        used[slot] = true;
    }
    for (std::size_t slot = 0; slot < maps.size(); ++slot) {
        if (!used[slot])
            continue;
        auto& map = maps[slot];
        map[0] = 0x05;
        map[1] = 0x01;
        const std::uint32_t number = m_file.allocate();
        if (!m_file.write(number, map)) {
            error = m_file.errorString();
            return {};
        }
        le::put32(p + 1 + 4 * slot, number);
    }
    return row;
}

std::vector<QByteArray> TableBuilder::usageMapRows(QString& error)
{
    std::vector<QByteArray> rows;
    auto add = [&](const std::vector<std::uint32_t>& pages) {
        rows.push_back(usageMap(pages, error));
        return !rows.back().isEmpty();
    };
    // The maps of pages with free space stay empty: the file is complete as written.
    if (!add(m_pages) || !add({}))
        return {};
    for (const auto& store : m_longValues) {
        if (!add(store->pages()) || !add({}))
            return {};
    }
    return rows;
}

QByteArray TableBuilder::definitionBytes(std::uint32_t mapPage, int firstMapRow) const
{
    int size = kDefinitionHeaderSize + 2;
    for (const auto& c : m_columns)
        size += kColumnBlockSize + nameSize(c.name) + (c.isLongValue() ? kLongValueMapRefSize : 0);
    QByteArray def(size, '\0');
    auto* b = reinterpret_cast<std::uint8_t*>(def.data());
    b[0] = 0x02;
    b[1] = 0x01;
    le::put32(b + 8, static_cast<std::uint32_t>(size));
    le::put32(b + 12, kDefinitionMagic);
    le::put32(b + 16, static_cast<std::uint32_t>(m_rowCount));
    b[24] = 0x01; // Access wants this set for its auto-numbers to work
    b[40] = m_kind == Kind::System ? kSystemTable : kUserTable;
    le::put16(b + 41, static_cast<std::uint16_t>(m_columns.size()));
    le::put16(b + 43, static_cast<std::uint16_t>(m_varCount));
    le::put16(b + 45, static_cast<std::uint16_t>(m_columns.size()));
    // No indexes (the counts at 47 and 51 stay zero).
    le::put32(b + 55, le::rowPointer(mapPage, static_cast<std::uint8_t>(firstMapRow)));
    le::put32(b + 59, le::rowPointer(mapPage, static_cast<std::uint8_t>(firstMapRow + 1)));

    std::uint8_t* p = b + kDefinitionHeaderSize;
    const std::uint8_t systemFlag = m_kind == Kind::System ? 0x10 : 0x00;
    for (std::size_t i = 0; i < m_columns.size(); ++i, p += kColumnBlockSize) {
        const Column& c = m_columns[i];
        const bool textual = c.type == ColumnType::Text || c.type == ColumnType::Memo;
        p[0] = c.typeCode();
        le::put32(p + 1, kDefinitionMagic);
        le::put16(p + 5, static_cast<std::uint16_t>(i));
        le::put16(p + 7, static_cast<std::uint16_t>(std::max(m_varIndexes[i], 0)));
        le::put16(p + 9, static_cast<std::uint16_t>(i));
        if (textual) {
            le::put16(p + 11, kGeneralSortOrder);
        } else if (c.type == ColumnType::Numeric) {
            p[11] = c.precision;
            p[12] = c.scale;
        }
        p[15] = static_cast<std::uint8_t>((c.isVariable() ? 0x02 : 0x03) | systemFlag);
        p[16] = textual ? 0x01 : 0x00; // compressed text allowed
        le::put16(p + 21, static_cast<std::uint16_t>(m_fixedOffsets[i]));
        int length = c.fixedSize();
        if (c.type == ColumnType::Text)
            length = 2 * c.length;
        else if (c.type == ColumnType::Binary)
            length = c.length;
        else if (c.type == ColumnType::Boolean)
            length = 1;
        le::put16(p + 23, static_cast<std::uint16_t>(length));
    }
    for (const auto& c : m_columns) {
        le::put16(p, static_cast<std::uint16_t>(2 * c.name.size()));
        const QByteArray name = jettext::utf16(c.name);
        std::copy(name.begin(), name.end(), p + 2);
        p += nameSize(c.name);
    }
    int mapRow = firstMapRow + 2;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (!m_columns[i].isLongValue())
            continue;
        le::put16(p, static_cast<std::uint16_t>(i));
        le::put32(p + 2, le::rowPointer(mapPage, static_cast<std::uint8_t>(mapRow)));
        le::put32(p + 6, le::rowPointer(mapPage, static_cast<std::uint8_t>(mapRow + 1)));
        mapRow += 2;
        p += kLongValueMapRefSize;
    }
    le::put16(p, 0xFFFF);
    assert(p + 2 == b + size);
    return def;
}

bool TableBuilder::writeDefinition(const std::vector<std::uint32_t>& pages, std::uint32_t mapPage,
                                   int firstMapRow, QString& error)
{
    const QByteArray def = definitionBytes(mapPage, firstMapRow);
    assert(pages.size() == std::size_t(definitionPageCount(m_columns)) && pages.front() == m_definitionPage);
    const auto* src = reinterpret_cast<const std::uint8_t*>(def.constData());
    int done = 0;
    for (std::size_t k = 0; k < pages.size(); ++k) {
        std::array<std::uint8_t, kPageSize> page{};
        int room = kPageSize;
        std::uint8_t* dst = page.data();
        if (k > 0) {
            // A continuation page: its own 8-byte header, then the definition goes on
            // (the first page carries the definition's header from its start).
            room -= kContinuationHeaderSize;
            dst += kContinuationHeaderSize;
        }
        const int chunk = std::min(room, static_cast<int>(def.size()) - done);
        std::copy(src + done, src + done + chunk, dst);
        done += chunk;
        page[0] = 0x02;
        page[1] = 0x01;
        le::put16(&page[2], static_cast<std::uint16_t>(std::max(room - chunk - 8, 0)));
        le::put32(&page[4], k + 1 < pages.size() ? pages[k + 1] : 0);
        if (!m_file.write(pages[k], page)) {
            error = m_file.errorString();
            return false;
        }
    }
    assert(done == def.size());
    return true;
}

} // namespace quorvane::mdbwriter
