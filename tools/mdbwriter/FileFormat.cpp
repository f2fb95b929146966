#include "FileFormat.h"

namespace quorvane::mdbwriter {

namespace {

FileFormat jet3Format()
{
    FileFormat f;
    f.version = Version::Jet3;
    f.pageSize = 2048;
    f.dataRowCount = 8;
    f.dataRowTable = 10;
    f.maxRowSize = 2012;
    f.rowCountSize = 1;
    f.maxLongValueRow = 2032;
    f.tdefHeaderSize = 43;
    f.tdefRowCount = 12;
    f.tdefTableType = 20;
    f.tdefMaxColumns = 21;
    f.tdefVarColumns = 23;
    f.tdefColumnCount = 25;
    f.tdefOwnedPages = 35;
    f.tdefFreePages = 39;
    f.columnBlockSize = 18;
    f.colNumber = 1;
    f.colVarIndex = 3;
    f.colNumberAgain = 5;
    f.colSortOrder = 9;
    f.colFlags = 13;
    f.colExtFlags = -1;
    f.colFixedOffset = 14;
    f.colLength = 16;
    f.nameLengthSize = 1;
    // Access 97 gives its inline maps 128 bytes; with 64, as later versions have, the
    // system tables' maps share one 2 KB page. Readers take a map of either width.
    f.inlineMapBytes = 64;
    return f;
}

FileFormat jet4Format(Version version)
{
    FileFormat f;
    f.version = version;
    return f;
}

} // namespace

QString versionName(Version version)
{
    switch (version) {
    case Version::Jet3: return QStringLiteral("Jet 3");
    case Version::Jet4: return QStringLiteral("Jet 4");
    case Version::Ace: return QStringLiteral("ACE");
    }
    return {};
}

const FileFormat& FileFormat::of(Version version)
{
    static const FileFormat jet3 = jet3Format();
    static const FileFormat jet4 = jet4Format(Version::Jet4);
    static const FileFormat ace = jet4Format(Version::Ace);
    switch (version) {
    case Version::Jet3: return jet3;
    case Version::Ace: return ace;
    case Version::Jet4: break;
    }
    return jet4;
}

} // namespace quorvane::mdbwriter
