#include "TableBuilder.h"

#include "JetText.h"
#include "LittleEndian.h"
#include "PageFile.h"

#include <QSet>

#include <algorithm>
#include <cassert>
#include <cstdio>

namespace quorvane::mdbwriter {

using db::ColumnType;
using db::Value;
using db::ValueKind;

namespace {

constexpr int kLongValueMapRefSize = 10;
constexpr int kContinuationHeaderSize = 8;
// The number Jet writes into every table and column definition; its meaning is unknown.
constexpr std::uint32_t kDefinitionMagic = 0x0659;
constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint16_t kGeneralSortOrder = 0x0409;

// Usage maps: an inline map holds a start page and a bitmap (64 bytes, 128 in Jet 3);
// a reference map holds pointers to map pages, each of which maps a fixed range of the
// file.
int mapRowSize(const FileFormat& f)
{
    return 5 + f.inlineMapBytes;
}

int nameSize(const FileFormat& f, const QString& name)
{
    return f.nameLengthSize + static_cast<int>(f.unicode() ? 2 * name.size() : name.size());
}

int definitionSize(const FileFormat& f, const std::vector<Column>& columns)
{
    int size = f.tdefHeaderSize + 2;
    for (const auto& c : columns)
        size += f.columnBlockSize + nameSize(f, c.name) + (c.isLongValue() ? kLongValueMapRefSize : 0);
    return size;
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
    case ColumnType::BigInt: return ValueKind::BigInt;
    case ColumnType::ExtDateTime: return ValueKind::DateTimeExtended;
    case ColumnType::Boolean: return ValueKind::Boolean;
    case ColumnType::Guid: return ValueKind::Guid;
    case ColumnType::Binary:
    case ColumnType::Ole: return ValueKind::Binary;
    case ColumnType::Complex: return ValueKind::Complex;
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

// The value of a column of fixed size but for Decimal, in its bytes at `fixed`.
void putFixed(const Column& column, const Value& value, std::uint8_t* fixed)
{
    switch (column.type) {
    case ColumnType::Byte: *fixed = value.asByte(); break;
    case ColumnType::Integer: le::put16(fixed, static_cast<std::uint16_t>(value.asInteger())); break;
    case ColumnType::Long: le::put32(fixed, static_cast<std::uint32_t>(value.asLong())); break;
    case ColumnType::Float: le::putFloat(fixed, value.asSingle()); break;
    case ColumnType::Double: le::putDouble(fixed, value.asDouble()); break;
    case ColumnType::Money: le::put64(fixed, static_cast<std::uint64_t>(value.asCurrency().scaled)); break;
    case ColumnType::ShortDateTime: le::putDouble(fixed, value.asDateTime().days); break;
    case ColumnType::Guid: std::copy(value.asGuid().bytes.begin(), value.asGuid().bytes.end(), fixed); break;
    case ColumnType::BigInt: le::put64(fixed, static_cast<std::uint64_t>(value.asBigInt())); break;
    case ColumnType::ExtDateTime: {
        // The slot's last byte stays zero after the 41 characters.
        const db::ExtendedDate d = value.asDateTimeExtended();
        char text[Column::kExtendedDateSize] = {};
        std::snprintf(text, sizeof text, "%019lld:%019lld:7", static_cast<long long>(d.days),
                      static_cast<long long>(d.ticks));
        std::copy_n(text, Column::kExtendedDateSize, fixed);
        break;
    }
    default: assert(false && "not a column of fixed size"); break;
    }
}

} // namespace

int TableBuilder::definitionPageCount(const FileFormat& format, const std::vector<Column>& columns)
{
    const int size = definitionSize(format, columns);
    if (size <= format.pageSize)
        return 1;
    const int rest = size - format.pageSize;
    const int perPage = format.pageSize - kContinuationHeaderSize;
    return 1 + (rest + perPage - 1) / perPage;
}

QString TableBuilder::checkColumns(const FileFormat& format, const std::vector<Column>& columns)
{
    if (columns.empty() || columns.size() > 255)
        return QStringLiteral("a table has 1 to 255 columns");
    QSet<QString> names;
    int longValues = 0;
    for (const auto& c : columns) {
        if (const QString problem = c.check(format); !problem.isEmpty())
            return problem;
        const QString key = c.name.toCaseFolded();
        if (names.contains(key))
            return QStringLiteral("two columns are named \"%1\"").arg(c.name);
        names.insert(key);
        longValues += c.isLongValue() ? 1 : 0;
    }
    // All usage-map rows of a table share one page.
    const int mapRows = 2 + 2 * longValues;
    if (mapRows * (mapRowSize(format) + 2) > format.pageSize - format.dataRowTable)
        return QStringLiteral("too many memo and OLE columns in one table");
    return {};
}

TableBuilder::TableBuilder(PageFile& file, const TextEncoding& text, QString name, std::vector<Column> columns,
                           Kind kind, std::uint32_t definitionPage)
    : m_file(file), m_format(text.format()), m_text(text), m_name(std::move(name)),
      m_columns(std::move(columns)), m_kind(kind), m_definitionPage(definitionPage), m_page(m_format),
      m_movedPage(m_format)
{
    for (const auto& c : m_columns) {
        m_fixedOffsets.push_back(c.isVariable() ? 0 : m_fixedSize);
        m_fixedSize += c.fixedSize();
        m_varIndexes.push_back(c.isVariable() ? m_varCount++ : -1);
        if (c.isLongValue()) {
            m_longValueSlot.push_back(static_cast<int>(m_longValues.size()));
            m_longValues.push_back(std::make_unique<LongValueStore>(m_file, m_format));
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
    m_row.assign(m_format.rowCountSize + m_fixedSize, 0);
    if (m_format.rowCountSize == 1)
        m_row[0] = static_cast<std::uint8_t>(m_columns.size());
    else
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
    if (column.calculated)
        return encodeCalculated(column, value, columnIndex, error);
    auto setPresent = [&] { m_nullMask[columnIndex / 8] |= std::uint8_t(1u << (columnIndex % 8)); };
    std::uint8_t* fixed = m_row.data() + m_format.rowCountSize + m_fixedOffsets[columnIndex];

    switch (column.type) {
    case ColumnType::Boolean:
        // Yes/No lives in the null mask alone: set is Yes.
        if (value.asBoolean())
            setPresent();
        return true;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Float:
    case ColumnType::Double:
    case ColumnType::Money:
    case ColumnType::ShortDateTime:
    case ColumnType::BigInt:
    case ColumnType::ExtDateTime:
    case ColumnType::Guid:
        putFixed(column, value, fixed);
        break;
    case ColumnType::Complex:
        // The key of the row's items in the hidden table.
        le::put32(fixed, static_cast<std::uint32_t>(value.asComplex().key));
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
        QByteArray data;
        if (column.type == ColumnType::Text || column.type == ColumnType::Memo) {
            if (!encodeText(column, value.asText(), data, error))
                return false;
        } else {
            data = value.asBinary();
            if (column.type == ColumnType::Binary && data.size() > column.length) {
                error = QStringLiteral("%1 bytes where the column holds %2").arg(data.size()).arg(column.length);
                return false;
            }
        }
        if (!appendVariable(column, data, columnIndex, error))
            return false;
        break;
    }
    default:
        assert(false && "column kinds are checked when the table begins");
        return false;
    }
    setPresent();
    return true;
}

bool TableBuilder::encodeText(const Column& column, const QString& text, QByteArray& out, QString& error) const
{
    if (column.type == ColumnType::Text && text.size() > column.length) {
        error = QStringLiteral("%1 characters where the column holds %2").arg(text.size()).arg(column.length);
        return false;
    }
    const bool compress = column.type == ColumnType::Text || text.size() <= jettext::kMaxCompressedMemoChars;
    if (!m_text.encode(text, compress, out)) {
        error = QStringLiteral("\"%1\" has characters the database's code page lacks").arg(text.left(40));
        return false;
    }
    return true;
}

bool TableBuilder::appendVariable(const Column& column, const QByteArray& data, int columnIndex, QString& error)
{
    m_varStarts[m_varIndexes[columnIndex]] = static_cast<std::uint16_t>(m_var.size());
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
            return true;
    }
    m_var.insert(m_var.end(), bytes, bytes + data.size());
    return true;
}

// A calculated value: the result's bytes behind the wrapper, in the fixed slot or among
// the variable values (Text, Memo). Yes/No is a byte like any other value here, and
// the null mask says only whether there is a result.
bool TableBuilder::encodeCalculated(const Column& column, const Value& value, int columnIndex, QString& error)
{
    QByteArray result;
    switch (column.type) {
    case ColumnType::Text:
    case ColumnType::Memo:
        if (!encodeText(column, value.asText(), result, error))
            return false;
        break;
    case ColumnType::Boolean:
        result = QByteArray(1, value.asBoolean() ? char(0xFF) : char(0x00));
        break;
    case ColumnType::Numeric: {
        // Its own layout: the length of what follows (14), the value's scale, a sign
        // byte, then a 96-bit magnitude: its top 32 bits, then its low 64 bits, each
        // little-endian.
        const db::Decimal& d = value.asDecimal();
        result = QByteArray(16, '\0');
        auto* p = reinterpret_cast<std::uint8_t*>(result.data());
        le::put16(p, 14);
        p[2] = d.scale;
        p[3] = d.negative ? 0x80 : 0x00;
        le::put32(p + 4, d.hi);
        le::put64(p + 8, (std::uint64_t(d.mid) << 32) | d.lo);
        break;
    }
    default:
        result = QByteArray(Column{QString(), column.type}.fixedSize(), '\0');
        putFixed(column, value, reinterpret_cast<std::uint8_t*>(result.data()));
        break;
    }
    QByteArray wrapped(Column::kCalculatedDataOffset, '\0');
    le::put32(reinterpret_cast<std::uint8_t*>(wrapped.data()) + Column::kCalculatedLengthOffset,
              static_cast<std::uint32_t>(result.size()));
    wrapped += result;
    wrapped += QByteArray(Column::kCalculatedOverhead - Column::kCalculatedDataOffset, '\0');

    if (column.isVariable()) {
        if (column.type == ColumnType::Text && wrapped.size() > column.definedLength(m_format)) {
            error = QStringLiteral("a result of %1 bytes where the column holds %2")
                        .arg(wrapped.size()).arg(column.definedLength(m_format));
            return false;
        }
        if (!appendVariable(column, wrapped, columnIndex, error))
            return false;
    } else {
        assert(wrapped.size() <= column.fixedSize());
        std::copy(wrapped.begin(), wrapped.end(),
                  m_row.begin() + m_format.rowCountSize + m_fixedOffsets[columnIndex]);
    }
    m_nullMask[columnIndex / 8] |= std::uint8_t(1u << (columnIndex % 8));
    return true;
}

// Where the variable values start and end: after the data, the offset where it ends,
// the starts of the variable columns from last to first, their count. Jet 4 gives
// each two bytes; Jet 3 one, plus a jump table saying at which column the offsets
// pass each further 256 bytes (one entry for every 256 bytes of the row, the last
// one a filler 0xFF when no offset reaches that far).
void TableBuilder::appendOffsetTable(int varBase)
{
    const int end = static_cast<int>(m_row.size());
    std::vector<int> offsets; // offsets[v] for each variable column, then the end
    for (int v = 0; v < m_varCount; ++v)
        offsets.push_back(varBase + m_varStarts[v]);
    offsets.push_back(end);
    if (!m_format.jet3()) {
        m_row.resize(end + 2 * (m_varCount + 2));
        std::uint8_t* p = m_row.data() + end;
        for (int v = m_varCount; v >= 0; --v, p += 2)
            le::put16(p, static_cast<std::uint16_t>(offsets[v]));
        le::put16(p, static_cast<std::uint16_t>(m_varCount));
        return;
    }
    const int withoutJumps = end + (m_varCount + 1) + 1 + static_cast<int>(m_nullMask.size());
    int jumps = 0;
    while (jumps != (withoutJumps + jumps - 1) / 256)
        jumps = (withoutJumps + jumps - 1) / 256;
    for (int v = m_varCount; v >= 0; --v)
        m_row.push_back(static_cast<std::uint8_t>(offsets[v] & 0xFF));
    for (int j = jumps - 1; j >= 0; --j) {
        const auto first = std::find_if(offsets.begin(), offsets.end(), [&](int o) { return o >= 256 * (j + 1); });
        m_row.push_back(first == offsets.end() ? 0xFF : static_cast<std::uint8_t>(first - offsets.begin()));
    }
    m_row.push_back(static_cast<std::uint8_t>(m_varCount));
}

bool TableBuilder::placeRow(QString& error)
{
    const int varBase = static_cast<int>(m_row.size());
    m_row.insert(m_row.end(), m_var.begin(), m_var.end());
    if (m_varCount > 0)
        appendOffsetTable(varBase);
    m_row.insert(m_row.end(), m_nullMask.begin(), m_nullMask.end());

    const int size = static_cast<int>(m_row.size());
    if (size > m_format.maxRowSize) {
        error = QStringLiteral("table \"%1\": a row of %2 bytes is longer than a row may be (%3)")
                    .arg(m_name).arg(size).arg(m_format.maxRowSize);
        return false;
    }
    int number = 0;
    const bool edited = m_editedEvery > 0 && m_rowCount % m_editedEvery == m_editedEvery - 1;
    if (edited) {
        // The deleted copy, the record where it went (flagged deleted too, so that a
        // scan passes it), then the pointer a scan follows.
        std::array<std::uint8_t, 4> pointer;
        if (!addToPage(m_page, m_pageOpen, m_row, DataPage::kRowDeleted, number, error)
            || !addToPage(m_movedPage, m_movedOpen, m_row, DataPage::kRowDeleted, number, error))
            return false;
        le::put32(pointer.data(), le::rowPointer(m_movedPage.number(), static_cast<std::uint8_t>(number)));
        if (!addToPage(m_page, m_pageOpen, pointer, DataPage::kRowMoved, number, error))
            return false;
    } else if (!addToPage(m_page, m_pageOpen, m_row, 0, number, error)) {
        return false;
    }
    ++m_rowCount;
    return true;
}

bool TableBuilder::addToPage(DataPage& page, bool& open, std::span<const std::uint8_t> row, std::uint16_t flags,
                             int& number, QString& error)
{
    const int size = static_cast<int>(row.size());
    if (!open || !page.fits(size)) {
        if (open && !m_file.write(page.number(), page.bytes())) {
            error = m_file.errorString();
            return false;
        }
        const std::uint32_t pageNumber = m_file.allocate();
        page.reset(pageNumber, m_definitionPage);
        m_pages.push_back(pageNumber);
        open = true;
    }
    number = page.addRow(row);
    if (flags != 0)
        page.flagRow(number, flags);
    return true;
}

bool TableBuilder::finish(QString& error)
{
    if (m_pageOpen && !m_file.write(m_page.number(), m_page.bytes())) {
        error = m_file.errorString();
        return false;
    }
    m_pageOpen = false;
    if (m_movedOpen && !m_file.write(m_movedPage.number(), m_movedPage.bytes())) {
        error = m_file.errorString();
        return false;
    }
    m_movedOpen = false;
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
    const int rowSize = mapRowSize(m_format);
    const std::uint32_t inlineBits = std::uint32_t(m_format.inlineMapBytes) * 8;
    const std::uint32_t mapPageBits = std::uint32_t(m_format.pageSize - 4) * 8;
    const std::uint32_t referenceSlots = std::uint32_t(rowSize - 1) / 4;
    QByteArray row(rowSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(row.data());
    if (pages.empty())
        return row;
    const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
    if (*high - *low < inlineBits && !m_forceReferenceMaps) {
        // Inline: type 0, the first page, one bit per page from there.
        le::put32(p + 1, *low);
        for (const std::uint32_t page : pages) {
            const std::uint32_t bit = page - *low;
            p[5 + bit / 8] |= std::uint8_t(1u << (bit % 8));
        }
        return row;
    }
    // Reference: type 1, then pointers to map pages, the k-th mapping the pages from
    // k * mapPageBits on.
    if (*high / mapPageBits >= referenceSlots) {
        error = QStringLiteral("table \"%1\" reaches beyond what a usage map can hold").arg(m_name);
        return {};
    }
    p[0] = 0x01;
    std::vector<std::array<std::uint8_t, kMaxPageSize>> maps(*high / mapPageBits + 1);
    std::vector<bool> used(maps.size(), false);
    for (const std::uint32_t page : pages) {
        const std::size_t slot = page / mapPageBits;
        const std::uint32_t bit = page % mapPageBits;
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
    const FileFormat& f = m_format;
    const int size = definitionSize(f, m_columns);
    QByteArray def(size, '\0');
    auto* b = reinterpret_cast<std::uint8_t*>(def.data());
    b[0] = 0x02;
    b[1] = 0x01;
    if (f.jet3()) {
        b[2] = 'V';
        b[3] = 'C';
    }
    le::put32(b + 8, static_cast<std::uint32_t>(size));
    if (!f.jet3()) {
        le::put32(b + 12, kDefinitionMagic);
        b[24] = 0x01; // Access wants this set for its auto-numbers to work
    }
    le::put32(b + f.tdefRowCount, static_cast<std::uint32_t>(m_rowCount));
    b[f.tdefTableType] = m_kind == Kind::System ? kSystemTable : kUserTable;
    le::put16(b + f.tdefMaxColumns, static_cast<std::uint16_t>(m_columns.size()));
    le::put16(b + f.tdefVarColumns, static_cast<std::uint16_t>(m_varCount));
    le::put16(b + f.tdefColumnCount, static_cast<std::uint16_t>(m_columns.size()));
    // No indexes (the two counts before the usage maps stay zero).
    le::put32(b + f.tdefOwnedPages, le::rowPointer(mapPage, static_cast<std::uint8_t>(firstMapRow)));
    le::put32(b + f.tdefFreePages, le::rowPointer(mapPage, static_cast<std::uint8_t>(firstMapRow + 1)));

    std::uint8_t* p = b + f.tdefHeaderSize;
    const std::uint8_t systemFlag = m_kind == Kind::System ? 0x10 : 0x00;
    for (std::size_t i = 0; i < m_columns.size(); ++i, p += f.columnBlockSize) {
        const Column& c = m_columns[i];
        const bool textual = c.type == ColumnType::Text || c.type == ColumnType::Memo;
        p[0] = c.typeCode();
        if (!f.jet3())
            le::put32(p + 1, kDefinitionMagic);
        le::put16(p + f.colNumber, static_cast<std::uint16_t>(i));
        le::put16(p + f.colVarIndex, static_cast<std::uint16_t>(std::max(m_varIndexes[i], 0)));
        le::put16(p + f.colNumberAgain, static_cast<std::uint16_t>(i));
        if (textual) {
            le::put16(p + f.colSortOrder, kGeneralSortOrder);
            if (f.jet3())
                le::put16(p + 11, m_text.codePage()); // Jet 3 text columns name their code page
        } else if (c.type == ColumnType::Numeric) {
            p[11] = c.precision;
            p[12] = c.scale;
        } else if (c.type == ColumnType::Complex) {
            // Where precision and scale would be: the column's row in MSysComplexColumns.
            le::put32(p + 11, i < m_complexIds.size() ? m_complexIds[i] : 0);
        }
        // Access marks a complex column as numbering itself, like the keys it hands out.
        const bool numbered = c.autoNumber || c.type == ColumnType::Complex;
        p[f.colFlags] =
            static_cast<std::uint8_t>((c.isVariable() ? 0x02 : 0x03) | (numbered ? 0x04 : 0x00) | systemFlag);
        if (f.colExtFlags >= 0)
            p[f.colExtFlags] = static_cast<std::uint8_t>((textual ? 0x01 : 0x00)          // compressed text allowed
                                                         | (c.calculated ? 0xC0 : 0x00)); // a calculated column
        le::put16(p + f.colFixedOffset, static_cast<std::uint16_t>(m_fixedOffsets[i]));
        le::put16(p + f.colLength, static_cast<std::uint16_t>(c.definedLength(f)));
    }
    for (const auto& c : m_columns) {
        QByteArray name;
        m_text.encode(c.name, false, name); // checked when the table began
        if (f.nameLengthSize == 1)
            *p = static_cast<std::uint8_t>(name.size());
        else
            le::put16(p, static_cast<std::uint16_t>(name.size()));
        std::copy(name.begin(), name.end(), p + f.nameLengthSize);
        p += nameSize(f, c.name);
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
    assert(pages.size() == std::size_t(definitionPageCount(m_format, m_columns)) && pages.front() == m_definitionPage);
    const auto* src = reinterpret_cast<const std::uint8_t*>(def.constData());
    const int pageSize = m_format.pageSize;
    int done = 0;
    for (std::size_t k = 0; k < pages.size(); ++k) {
        std::array<std::uint8_t, kMaxPageSize> page{};
        int room = pageSize;
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
        if (m_format.jet3()) {
            page[2] = 'V';
            page[3] = 'C';
        } else {
            le::put16(&page[2], static_cast<std::uint16_t>(std::max(room - chunk - 8, 0)));
        }
        le::put32(&page[4], k + 1 < pages.size() ? pages[k + 1] : 0);
        if (!m_file.write(pages[k], std::span(page).first(pageSize))) {
            error = m_file.errorString();
            return false;
        }
    }
    assert(done == def.size());
    return true;
}

} // namespace quorvane::mdbwriter
