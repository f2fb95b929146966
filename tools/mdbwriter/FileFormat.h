#pragma once

#include <QString>

#include <cstdint>

namespace quorvane::mdbwriter {

// The Access file versions the writer makes.
enum class Version {
    Jet3, // Access 97: 2 KB pages, text in the database's code page
    Jet4, // Access 2000-2003 .mdb
    Ace,  // Access 2010 .accdb: the Jet 4 layout under a header of its own
};

QString versionName(Version version);

// Where things go in the pages of one version. Jet 4 and ACE share every offset;
// Jet 3 has smaller pages, shorter page headers, one-byte counts and offsets in rows
// and narrower column blocks.
struct FileFormat {
    Version version = Version::Jet4;
    int pageSize = 4096;

    // Data pages (rows, long values and usage maps alike).
    int dataRowCount = 12;   // u16: rows on the page
    int dataRowTable = 14;   // u16 per row from here

    // Rows.
    int maxRowSize = 4060;
    int rowCountSize = 2;    // bytes of a row's column count, variable count and offsets
    int maxLongValueRow = 4076; // longest long value on one long-value row

    // Table definitions.
    int tdefHeaderSize = 63;
    int tdefRowCount = 16;
    int tdefTableType = 40;
    int tdefMaxColumns = 41;
    int tdefVarColumns = 43;
    int tdefColumnCount = 45;
    int tdefOwnedPages = 55;
    int tdefFreePages = 59;
    int columnBlockSize = 25;
    int colNumber = 5;
    int colVarIndex = 7;
    int colNumberAgain = 9;
    int colSortOrder = 11;   // text columns; numeric ones keep precision and scale at 11 and 12
    int colFlags = 15;
    int colExtFlags = 16;    // -1: the version has none
    int colFixedOffset = 21;
    int colLength = 23;
    int nameLengthSize = 2;

    // Usage maps kept inside their row: bytes of bitmap.
    int inlineMapBytes = 64;

    bool jet3() const { return version == Version::Jet3; }
    // Text is UTF-16 (possibly compressed) from Jet 4 on, code-page bytes in Jet 3.
    bool unicode() const { return version != Version::Jet3; }

    static const FileFormat& of(Version version);
};

} // namespace quorvane::mdbwriter
