#pragma once

#include "JetLayout.h"
#include "Pager.h"
#include "TextCodec.h"
#include "db/DbError.h"
#include "db/Value.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace quorvane::db::format {

struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::Unknown;
    std::uint8_t typeCode = 0;
    std::uint16_t number = 0;       // bit in the null mask
    std::uint16_t varIndex = 0;     // entry in the row's variable offset table
    std::uint16_t fixedOffset = 0;  // start in the row's fixed area
    std::uint16_t length = 0;       // declared length in bytes
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;
    bool fixed = false;
    bool calculated = false;        // ACE calculated column: value behind a wrapper
    bool autoNumber = false;        // Long Integer filled by the engine
    std::uint32_t complexId = 0;    // ACE complex column: its row in MSysComplexColumns
};

struct TableDef {
    QString name;                    // for error texts
    std::uint32_t page = 0;
    std::uint32_t storedRowCount = 0;
    std::uint16_t varColumnCount = 0;
    std::vector<ColumnDef> columns;  // in the table's column order
    std::uint8_t usageMapRow = 0;    // where the map of the table's pages lives
    std::uint32_t usageMapPage = 0;
};

// Data bytes a fixed column of this type takes (0 for Yes/No, which lives in the null
// mask). A calculated value takes the length its column declares (39 bytes for every
// type Access stores there, Yes/No included): its wrapper is longer than the value.
std::uint32_t fixedSizeOf(const ColumnDef& column);

// Reads the definition starting at `page`, following its continuation pages.
bool readTableDef(Pager& pager, const JetLayout& layout, const TextCodec& codec, std::uint32_t page, TableDef& out,
                  DbError& error);

} // namespace quorvane::db::format
