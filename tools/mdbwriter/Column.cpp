#include "Column.h"

namespace quorvane::mdbwriter {

using db::ColumnType;

QString Column::check(const FileFormat& format) const
{
    if (name.isEmpty() || name.size() > 64)
        return QStringLiteral("column names have 1 to 64 characters: \"%1\"").arg(name);
    if (calculated) {
        if (format.version != Version::Ace)
            return QStringLiteral("calculated column \"%1\": only ACE files have them").arg(name);
        if (type == ColumnType::Guid || type == ColumnType::Binary || type == ColumnType::Ole)
            return QStringLiteral("calculated column \"%1\" has a result type Access does not give").arg(name);
    }
    if ((type == ColumnType::BigInt || type == ColumnType::ExtDateTime) && format.version != Version::Ace)
        return QStringLiteral("column \"%1\": only ACE files have %2 columns").arg(name, db::columnTypeName(type));
    if (autoNumber && type != ColumnType::Long)
        return QStringLiteral("column \"%1\": only Long Integer columns number themselves").arg(name);
    if (calculated && (type == ColumnType::BigInt || type == ColumnType::ExtDateTime || type == ColumnType::Complex))
        return QStringLiteral("calculated column \"%1\" has a result type Access does not give").arg(name);
    const int maxBinary = format.jet3() ? 255 : 510;
    switch (type) {
    case ColumnType::Text:
        if (length < 1 || length > 255)
            return QStringLiteral("text column \"%1\" must hold 1 to 255 characters").arg(name);
        break;
    case ColumnType::Binary:
        if (length < 1 || length > maxBinary)
            return QStringLiteral("binary column \"%1\" must hold 1 to %2 bytes").arg(name).arg(maxBinary);
        break;
    case ColumnType::Complex:
        return checkComplex(format);
    case ColumnType::Numeric:
        if (precision < 1 || precision > 28 || scale > precision)
            return QStringLiteral("decimal column \"%1\" needs a precision of 1 to 28 and a scale up to it")
                .arg(name);
        break;
    case ColumnType::Memo:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Float:
    case ColumnType::Double:
    case ColumnType::Money:
    case ColumnType::ShortDateTime:
    case ColumnType::BigInt:
    case ColumnType::ExtDateTime:
    case ColumnType::Boolean:
    case ColumnType::Guid:
    case ColumnType::Ole:
        break;
    default:
        return QStringLiteral("column \"%1\" has a kind the writer does not write (%2)")
            .arg(name, db::columnTypeName(type));
    }
    return {};
}

QString Column::checkComplex(const FileFormat& format) const
{
    if (format.version != Version::Ace)
        return QStringLiteral("column \"%1\": only ACE files have attachment and multi-valued fields").arg(name);
    if (items == Items::Attachments)
        return {};
    if (items != Items::MultiValued)
        return QStringLiteral("complex column \"%1\" holds neither attachments nor several values").arg(name);
    switch (itemType) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Float:
    case ColumnType::Double:
    case ColumnType::Guid:
    case ColumnType::Numeric:
    case ColumnType::Text:
        return item(QStringLiteral("Value")).check(format);
    default:
        return QStringLiteral("multi-valued column \"%1\" has items of a kind Access does not offer (%2)")
            .arg(name, db::columnTypeName(itemType));
    }
}

bool Column::isVariable() const
{
    return type == ColumnType::Text || type == ColumnType::Memo || type == ColumnType::Binary
        || type == ColumnType::Ole;
}

bool Column::isLongValue() const
{
    return type == ColumnType::Memo || type == ColumnType::Ole;
}

int Column::fixedSize() const
{
    if (calculated && !isVariable())
        return kCalculatedFixedSize;
    switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Float:
    case ColumnType::Complex: return 4;
    case ColumnType::Double:
    case ColumnType::Money:
    case ColumnType::ShortDateTime:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Numeric: return 17;
    case ColumnType::ExtDateTime: return kExtendedDateSize;
    default: return 0;
    }
}

int Column::definedLength(const FileFormat& format) const
{
    switch (type) {
    case ColumnType::Text:
        return (format.unicode() ? 2 * length : length) + (calculated ? kCalculatedOverhead : 0);
    case ColumnType::Binary: return length;
    case ColumnType::Memo:
    case ColumnType::Ole: return 0;
    case ColumnType::Boolean: return calculated ? kCalculatedFixedSize : 1;
    default: return fixedSize();
    }
}

std::uint8_t Column::typeCode() const
{
    switch (type) {
    case ColumnType::Boolean: return 0x01;
    case ColumnType::Byte: return 0x02;
    case ColumnType::Integer: return 0x03;
    case ColumnType::Long: return 0x04;
    case ColumnType::Money: return 0x05;
    case ColumnType::Float: return 0x06;
    case ColumnType::Double: return 0x07;
    case ColumnType::ShortDateTime: return 0x08;
    case ColumnType::Binary: return 0x09;
    case ColumnType::Text: return 0x0A;
    case ColumnType::Ole: return 0x0B;
    case ColumnType::Memo: return 0x0C;
    case ColumnType::Guid: return 0x0F;
    case ColumnType::Numeric: return 0x10;
    case ColumnType::Complex: return 0x12;
    case ColumnType::BigInt: return 0x13;
    case ColumnType::ExtDateTime: return 0x14;
    default: return 0;
    }
}

} // namespace quorvane::mdbwriter
