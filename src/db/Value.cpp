#include "Value.h"

namespace quorvane::db {

QString Decimal::toString(bool trimZeros) const
{
    // Repeated division of the 96-bit magnitude by ten, most significant word first.
    std::uint32_t words[3] = {hi, mid, lo};
    char digits[40];
    int count = 0;
    bool nonZero = (hi | mid | lo) != 0;
    while (nonZero) {
        std::uint64_t rem = 0;
        nonZero = false;
        for (auto& w : words) {
            const std::uint64_t cur = (rem << 32) | w;
            w = static_cast<std::uint32_t>(cur / 10);
            rem = cur % 10;
            nonZero = nonZero || w != 0;
        }
        digits[count++] = static_cast<char>('0' + rem);
    }
    // digits[] holds the number least significant digit first; pad to at least scale+1.
    while (count < scale + 1)
        digits[count++] = '0';

    int fracEnd = 0; // index (from the least significant end) where kept decimals start
    if (trimZeros) {
        while (fracEnd < scale && digits[fracEnd] == '0')
            ++fracEnd;
    }

    QString out;
    out.reserve(count + 2);
    bool isZero = (hi | mid | lo) == 0;
    if (negative && !isZero)
        out += QLatin1Char('-');
    for (int i = count - 1; i >= scale; --i)
        out += QLatin1Char(digits[i]);
    if (fracEnd < scale) {
        out += QLatin1Char('.');
        for (int i = scale - 1; i >= fracEnd; --i)
            out += QLatin1Char(digits[i]);
    }
    return out;
}

QString Guid::toString() const
{
    static const char kHex[] = "0123456789ABCDEF";
    // Data1..Data3 are little-endian in storage, Data4 is a plain byte sequence.
    static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    QString out;
    out.reserve(38);
    out += QLatin1Char('{');
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += QLatin1Char('-');
        const std::uint8_t b = bytes[kOrder[i]];
        out += QLatin1Char(kHex[b >> 4]);
        out += QLatin1Char(kHex[b & 0xF]);
    }
    out += QLatin1Char('}');
    return out;
}

QString columnTypeName(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean: return QStringLiteral("BOOLEAN");
    case ColumnType::Byte: return QStringLiteral("BYTE");
    case ColumnType::Integer: return QStringLiteral("INT");
    case ColumnType::Long: return QStringLiteral("LONG");
    case ColumnType::BigInt: return QStringLiteral("BIG_INT");
    case ColumnType::Money: return QStringLiteral("MONEY");
    case ColumnType::Numeric: return QStringLiteral("NUMERIC");
    case ColumnType::Float: return QStringLiteral("FLOAT");
    case ColumnType::Double: return QStringLiteral("DOUBLE");
    case ColumnType::ShortDateTime: return QStringLiteral("SHORT_DATE_TIME");
    case ColumnType::ExtDateTime: return QStringLiteral("EXT_DATE_TIME");
    case ColumnType::Text: return QStringLiteral("TEXT");
    case ColumnType::Memo: return QStringLiteral("MEMO");
    case ColumnType::Binary: return QStringLiteral("BINARY");
    case ColumnType::Ole: return QStringLiteral("OLE");
    case ColumnType::Guid: return QStringLiteral("GUID");
    case ColumnType::Complex: return QStringLiteral("COMPLEX_TYPE");
    case ColumnType::Unknown: break;
    }
    return QStringLiteral("UNKNOWN");
}

} // namespace quorvane::db
