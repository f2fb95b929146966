#include "TableDef.h"

#include <algorithm>

namespace quorvane::db::format {

namespace {

// A definition longer than this is not a table definition (Access allows 255
// columns with 64-character names, a few hundred KB at most even with indexes).
constexpr std::size_t kMaxDefinitionBytes = 4u << 20;
constexpr int kMaxColumns = 4096;
constexpr std::uint32_t kMaxIndexes = 1000;
constexpr int kIndexColumnSlots = 10;
constexpr std::uint16_t kNoColumn = 0xFFFF;

ColumnType typeFromCode(std::uint8_t code)
{
    switch (code) {
    case 0x01: return ColumnType::Boolean;
    case 0x02: return ColumnType::Byte;
    case 0x03: return ColumnType::Integer;
    case 0x04: return ColumnType::Long;
    case 0x05: return ColumnType::Money;
    case 0x06: return ColumnType::Float;
    case 0x07: return ColumnType::Double;
    case 0x08: return ColumnType::ShortDateTime;
    case 0x09: return ColumnType::Binary;
    case 0x0A: return ColumnType::Text;
    case 0x0B: return ColumnType::Ole;
    case 0x0C: return ColumnType::Memo;
    case 0x0F: return ColumnType::Guid;
    case 0x10: return ColumnType::Numeric;
    case 0x12: return ColumnType::Complex;
    case 0x13: return ColumnType::BigInt;
    case 0x14: return ColumnType::ExtDateTime;
    default: return ColumnType::Unknown;
    }
}

struct RealIndex {
    std::vector<std::uint16_t> columns;
    std::vector<bool> descending;
    std::uint8_t flags = 0;
};

// The index definitions that follow the column names at `pos`: the stored indexes,
// then the logical ones with their names. False when they run past the definition.
bool readIndexes(const ByteView& def, const JetLayout& layout, const TextCodec& codec, std::size_t pos,
                 std::uint32_t realCount, std::uint32_t logicalCount, std::vector<IndexDef>& out)
{
    std::vector<RealIndex> real(realCount);
    for (std::uint32_t i = 0; i < realCount; ++i, pos += layout.realIndexDefSize) {
        const ByteView block = def.sub(pos, layout.realIndexDefSize);
        for (int slot = 0; slot < kIndexColumnSlots; ++slot) {
            const std::size_t at = std::size_t(layout.realIndexDefColumns) + std::size_t(slot) * 3;
            const std::uint16_t column = block.u16(at);
            if (column == kNoColumn)
                continue;
            real[i].columns.push_back(column);
            real[i].descending.push_back((block.u8(at + 2) & 0x01) == 0);
        }
        real[i].flags = block.u8(layout.realIndexDefFlags);
        if (block.overrun() || def.overrun())
            return false;
    }
    const std::size_t logicalStart = pos;
    std::size_t namePos = logicalStart + std::size_t(logicalCount) * layout.logicalIndexSize;
    for (std::uint32_t i = 0; i < logicalCount; ++i, pos += layout.logicalIndexSize) {
        const ByteView block = def.sub(pos, layout.logicalIndexSize);
        const std::uint32_t realNumber = block.u32(layout.logicalIndexReal);
        IndexDef index;
        index.kind = block.u8(layout.logicalIndexType);
        const std::size_t nameLength = layout.nameLengthSize == 1 ? def.u8(namePos) : def.u16(namePos);
        namePos += layout.nameLengthSize;
        index.name = codec.decode(def.sub(namePos, nameLength));
        namePos += nameLength;
        if (block.overrun() || def.overrun())
            return false;
        // A logical index naming a stored index that is not there is left out rather
        // than guessed at.
        if (realNumber >= realCount)
            continue;
        const RealIndex& r = real[realNumber];
        index.columns = r.columns;
        index.descending = r.descending;
        index.unique = (r.flags & 0x01) != 0 || index.primary();
        out.push_back(std::move(index));
    }
    return true;
}

} // namespace

std::uint32_t fixedSizeOf(const ColumnDef& column)
{
    if (column.calculated) {
        ColumnDef plain = column;
        plain.calculated = false;
        return std::max<std::uint32_t>(fixedSizeOf(plain), column.length);
    }
    switch (column.type) {
    case ColumnType::Boolean: return 0;
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Float:
    case ColumnType::Complex: return 4;
    case ColumnType::Money:
    case ColumnType::Double:
    case ColumnType::ShortDateTime:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    case ColumnType::ExtDateTime: return 42;
    default: return column.length;
    }
}

bool readTableDef(Pager& pager, const JetLayout& layout, const TextCodec& codec, std::uint32_t page, TableDef& out,
                  DbError& error, bool salvage)
{
    // Gather the definition: the first page whole, then each continuation page past
    // its 8-byte header.
    std::vector<std::uint8_t> buffer;
    std::uint32_t next = page;
    std::uint32_t steps = 0;
    DbError lost; // salvaging: where the chain broke
    while (next != 0) {
        Page p;
        // A file cut short inside a continuation page still holds its start.
        const bool tail = salvage && !buffer.empty() && next == pager.pageCount() && pager.tailBytes() > 8;
        if (tail ? !pager.tailPage(p, error) : !pager.page(next, p, error)) {
            if (!salvage || buffer.empty())
                return false;
            lost = error;
            break;
        }
        if (p.bytes.u8(0) != kPageTableDef) {
            error = DbError::damaged(QStringLiteral("a table definition page has the wrong type"), next);
            if (!salvage || buffer.empty())
                return false;
            lost = error;
            break;
        }
        const std::size_t skip = buffer.empty() ? 0 : 8;
        if (buffer.size() + p.bytes.size() > kMaxDefinitionBytes || ++steps > pager.pageCount()) {
            error = DbError::damaged(QStringLiteral("a table definition does not end"), next);
            return false;
        }
        const std::size_t end = tail ? pager.tailBytes() : p.bytes.size();
        buffer.insert(buffer.end(), p.bytes.data() + skip, p.bytes.data() + end);
        if (tail) {
            lost = DbError::damaged(QStringLiteral("the file ends inside a table definition"), next);
            break;
        }
        next = p.bytes.u32(layout.tdefNextPage);
    }

    const ByteView def(buffer.data(), buffer.size());
    TableDef t;
    t.page = page;
    t.storedRowCount = def.u32(layout.tdefRowCount);
    t.varColumnCount = def.u16(layout.tdefVarColumns);
    const int columnCount = def.u16(layout.tdefColumnCount);
    const std::uint32_t realIndexes = def.u32(layout.tdefRealIndexes);
    const std::uint32_t logicalIndexes = def.u32(layout.tdefLogicalIndexes);
    const std::uint32_t usageMap = def.u32(layout.tdefOwnedPages);
    t.usageMapRow = static_cast<std::uint8_t>(usageMap & 0xFF);
    t.usageMapPage = usageMap >> 8;
    if (columnCount > kMaxColumns || realIndexes > kMaxIndexes) {
        error = DbError::damaged(QStringLiteral("a table definition has impossible counts"), page);
        return false;
    }

    std::size_t pos = std::size_t(layout.tdefIndexBlock) + std::size_t(realIndexes) * layout.realIndexSize;
    std::size_t namePos = pos + std::size_t(columnCount) * layout.columnBlockSize;
    t.columns.reserve(static_cast<std::size_t>(columnCount));
    for (int i = 0; i < columnCount; ++i, pos += layout.columnBlockSize) {
        const ByteView block = def.sub(pos, layout.columnBlockSize);
        ColumnDef c;
        c.typeCode = block.u8(layout.colType);
        c.type = typeFromCode(c.typeCode);
        c.number = block.u16(layout.colNumber);
        c.varIndex = block.u16(layout.colVarIndex);
        c.precision = block.u8(layout.colPrecision);
        c.scale = block.u8(layout.colScale);
        const std::uint8_t flags = block.u8(layout.colFlags);
        c.fixed = (flags & 0x01) != 0;
        c.autoNumber = (flags & 0x04) != 0;
        c.hyperlink = (flags & 0x80) != 0;
        // A complex column keeps the id of its MSysComplexColumns row where other
        // columns keep precision and scale.
        if (c.type == ColumnType::Complex && layout.version == JetVersion::Ace)
            c.complexId = block.u32(layout.colPrecision);
        if (layout.colExtFlags >= 0)
            c.calculated = (block.u8(layout.colExtFlags) & 0xC0) != 0;
        c.fixedOffset = block.u16(layout.colFixedOffset);
        c.length = block.u16(layout.colLength);

        const std::size_t nameLength =
            layout.nameLengthSize == 1 ? def.u8(namePos) : def.u16(namePos);
        namePos += layout.nameLengthSize;
        const ByteView name = def.sub(namePos, nameLength);
        namePos += nameLength;
        c.name = codec.decode(name);
        if (block.overrun() || (def.overrun() && !lost.isError())) {
            error = lost.isError()
                        ? lost
                        : DbError::damaged(QStringLiteral("a column definition runs past the table definition"), page);
            return false;
        }
        if (def.overrun())
            c.name = QStringLiteral("Column%1").arg(i + 1);
        t.columns.push_back(std::move(c));
    }
    if (lost.isError())
        t.damage = lost.damage;
    // The rows can be read without the indexes, so a damaged index section only
    // marks the definition.
    if (logicalIndexes > kMaxIndexes
        || !readIndexes(def, layout, codec, namePos, realIndexes, logicalIndexes, t.indexes)) {
        t.indexes.clear();
        t.indexesUnreadable = true;
    }
    // Columns show in the order of their numbers, which is where columns inserted
    // later end up (their blocks are appended in the definition).
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    out = std::move(t);
    return true;
}

} // namespace quorvane::db::format
