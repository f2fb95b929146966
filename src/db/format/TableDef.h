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
    bool hyperlink = false;         // Memo holding "text#address#..."
    std::uint32_t complexId = 0;    // ACE complex column: its row in MSysComplexColumns
};

// One index as the table definition names it. Several may share one stored index
// (a foreign key's index shares the one the user made on the same columns).
struct IndexDef {
    QString name;
    std::uint8_t kind = 0;              // 1 primary key, 2 foreign key, 0 other
    bool unique = false;
    std::vector<std::uint16_t> columns; // column numbers (ColumnDef::number), key order
    std::vector<bool> descending;
    bool primary() const { return kind == 1; }
    bool foreignKey() const { return kind == 2; }
};

struct TableDef {
    QString name;                    // for error texts
    std::uint32_t page = 0;
    std::uint32_t storedRowCount = 0;
    std::uint16_t varColumnCount = 0;
    std::vector<ColumnDef> columns;  // in the table's column order
    std::uint8_t usageMapRow = 0;    // where the map of the table's pages lives
    std::uint32_t usageMapPage = 0;
    std::vector<IndexDef> indexes;
    // The index definitions could not be read (a damaged tail); the rows still can.
    bool indexesUnreadable = false;
    // Salvaging: what was lost of a definition whose continuation pages are damaged
    // (its columns were read from the pages before); empty when it is whole.
    QString damage;
};

// Data bytes a fixed column of this type takes (0 for Yes/No, which lives in the null
// mask). A calculated value takes the length its column declares (39 bytes for every
// type Access stores there, Yes/No included): its wrapper is longer than the value.
std::uint32_t fixedSizeOf(const ColumnDef& column);

// Reads the definition starting at `page`, following its continuation pages. With
// `salvage`, a broken chain of continuation pages ends the definition there: when the
// column blocks were all read, names past the break are made up ("Column7") and the
// loss is said in `damage`.
bool readTableDef(Pager& pager, const JetLayout& layout, const TextCodec& codec, std::uint32_t page, TableDef& out,
                  DbError& error, bool salvage = false);

} // namespace quorvane::db::format
