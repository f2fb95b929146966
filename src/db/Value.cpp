#include "Value.h"

namespace quorvane::db {

int Decimal::digitsLeastSignificantFirst(char* out) const
{
    int count = 0;
    if (hi == 0) {
        // Most values fit in 64 bits: one division per digit instead of three.
        std::uint64_t v = (std::uint64_t(mid) << 32) | lo;
        while (v != 0) {
            out[count++] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
    } else {
        // Repeated division of the 96-bit magnitude by ten, most significant word first.
        std::uint32_t words[3] = {hi, mid, lo};
        bool nonZero = true;
        while (nonZero) {
            std::uint64_t rem = 0;
            nonZero = false;
            for (auto& w : words) {
                const std::uint64_t cur = (rem << 32) | w;
                w = static_cast<std::uint32_t>(cur / 10);
                rem = cur % 10;
                nonZero = nonZero || w != 0;
            }
            out[count++] = static_cast<char>('0' + rem);
        }
    }
    const int s = effectiveScale();
    while (count < s + 1)
        out[count++] = '0';
    return count;
}

Decimal Decimal::fromCurrency(Currency value)
{
    const std::int64_t scaled = value.scaled;
    const std::uint64_t magnitude = scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    return Decimal{static_cast<std::uint32_t>(magnitude), static_cast<std::uint32_t>(magnitude >> 32), 0, 4, scaled < 0};
}

int Decimal::toChars(char* out, bool trimZeros) const
{
    char digits[kMaxDigits];
    const int count = digitsLeastSignificantFirst(digits);
    const int s = effectiveScale();

    int fracEnd = 0; // digits below this index are trailing zeros that are dropped
    if (trimZeros) {
        while (fracEnd < s && digits[fracEnd] == '0')
            ++fracEnd;
    }

    int n = 0;
    if (negative && (hi | mid | lo) != 0)
        out[n++] = '-';
    for (int i = count - 1; i >= s; --i)
        out[n++] = digits[i];
    if (fracEnd < s) {
        out[n++] = '.';
        for (int i = s - 1; i >= fracEnd; --i)
            out[n++] = digits[i];
    }
    return n;
}

QString Decimal::toString(bool trimZeros) const
{
    char text[kMaxTextLength];
    return QString::fromLatin1(text, toChars(text, trimZeros));
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
