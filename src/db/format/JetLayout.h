#pragma once

#include <cstdint>

namespace quorvane::db::format {

enum class JetVersion { Jet3, Jet4, Ace };

// Where things live in pages of one file version. Jet 3 (Access 97) has 2 KB pages,
// one-byte row counts and offsets and 18-byte column blocks; Jet 4 and ACE share one
// layout with 4 KB pages.
struct JetLayout {
    JetVersion version = JetVersion::Jet4;
    std::uint32_t pageSize = 4096;

    // Data pages.
    int dataTdefPage = 4;        // u32: the table definition the page belongs to
    int dataRowCount = 12;       // u16
    int dataRowTable = 14;       // u16 per row

    // Table definition pages.
    int tdefNextPage = 4;
    int tdefRowCount = 16;
    int tdefVarColumns = 43;
    int tdefColumnCount = 45;
    int tdefLogicalIndexes = 47;
    int tdefRealIndexes = 51;
    int tdefOwnedPages = 55;     // row pointer to the usage map
    int tdefIndexBlock = 63;
    int realIndexSize = 12;
    // Index definitions after the column names: the real (stored) indexes, then the
    // logical ones that name them.
    int realIndexDefSize = 52;
    int realIndexDefColumns = 4;   // ten (u16 column number, u8 order) entries
    int realIndexDefFlags = 46;
    int logicalIndexSize = 28;
    int logicalIndexNumber = 4;    // u32
    int logicalIndexReal = 8;      // u32: the real index behind it
    int logicalIndexType = 23;     // u8: 1 primary key, 2 foreign key

    // Column blocks.
    int columnBlockSize = 25;
    int colType = 0;
    int colNumber = 5;
    int colVarIndex = 7;
    int colPrecision = 11;
    int colScale = 12;
    int colFlags = 15;
    int colExtFlags = 16;        // -1: none
    int colFixedOffset = 21;
    int colLength = 23;
    int nameLengthSize = 2;

    // Rows.
    int rowCountSize = 2;        // width of the column count and of var offsets

    bool jet3() const { return version == JetVersion::Jet3; }

    static JetLayout forVersion(JetVersion v)
    {
        JetLayout l;
        l.version = v;
        if (v != JetVersion::Jet3)
            return l;
        l.pageSize = 2048;
        l.dataRowCount = 8;
        l.dataRowTable = 10;
        l.tdefRowCount = 12;
        l.tdefVarColumns = 23;
        l.tdefColumnCount = 25;
        l.tdefLogicalIndexes = 27;
        l.tdefRealIndexes = 31;
        l.tdefOwnedPages = 35;
        l.tdefIndexBlock = 43;
        l.realIndexSize = 8;
        l.realIndexDefSize = 39;
        l.realIndexDefColumns = 0;
        l.realIndexDefFlags = 38;
        l.logicalIndexSize = 20;
        l.logicalIndexNumber = 0;
        l.logicalIndexReal = 4;
        l.logicalIndexType = 19;
        l.columnBlockSize = 18;
        l.colNumber = 1;
        l.colVarIndex = 3;
        l.colPrecision = 11;
        l.colScale = 12;
        l.colFlags = 13;
        l.colExtFlags = -1;
        l.colFixedOffset = 14;
        l.colLength = 16;
        l.nameLengthSize = 1;
        l.rowCountSize = 1;
        return l;
    }
};

// Page type bytes.
constexpr std::uint8_t kPageData = 0x01;
constexpr std::uint8_t kPageTableDef = 0x02;
constexpr std::uint8_t kPageUsageMap = 0x05;

// Row offset entries: the low 13 bits are the offset, the top bits flags.
constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
constexpr std::uint16_t kRowDeleted = 0x8000;
constexpr std::uint16_t kRowOverflow = 0x4000;

} // namespace quorvane::db::format
