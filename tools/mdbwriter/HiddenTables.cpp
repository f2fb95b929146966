#include "HiddenTables.h"

#include "JetText.h"
#include "LittleEndian.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace quorvane::mdbwriter::hiddentables {

using db::ColumnType;
using db::Value;

namespace {

// Catalog names have at most 64 characters; Access cuts longer hidden names there.
constexpr int kMaxName = 64;

QByteArray word(std::uint32_t v)
{
    QByteArray out(4, '\0');
    le::put32(reinterpret_cast<std::uint8_t*>(out.data()), v);
    return out;
}

} // namespace

std::vector<Column> complexColumnsColumns()
{
    return {Column::text(QStringLiteral("ColumnName"), 255), Column::longInt(QStringLiteral("ComplexTypeObjectID")),
            Column::longInt(QStringLiteral("FlatTableID")), Column::longInt(QStringLiteral("ConceptualTableID")),
            Column::longInt(QStringLiteral("ComplexID"))};
}

QString typeTableName(const Column& complex)
{
    if (complex.items == Column::Items::Attachments)
        return QStringLiteral("MSysComplexType_Attachment");
    switch (complex.itemType) {
    case ColumnType::Byte: return QStringLiteral("MSysComplexType_UnsignedByte");
    case ColumnType::Integer: return QStringLiteral("MSysComplexType_Short");
    case ColumnType::Long: return QStringLiteral("MSysComplexType_Long");
    case ColumnType::Float: return QStringLiteral("MSysComplexType_IEEESingle");
    case ColumnType::Double: return QStringLiteral("MSysComplexType_IEEEDouble");
    case ColumnType::Guid: return QStringLiteral("MSysComplexType_GUID");
    case ColumnType::Numeric: return QStringLiteral("MSysComplexType_Decimal");
    default: return QStringLiteral("MSysComplexType_Text");
    }
}

std::vector<Column> typeColumns(const Column& complex)
{
    if (complex.items == Column::Items::Attachments) {
        return {Column::memo(QStringLiteral("FileURL")),
                Column::text(QStringLiteral("FileName"), 255),
                Column::text(QStringLiteral("FileType"), 255),
                Column::ole(QStringLiteral("FileData")),
                Column::dateTime(QStringLiteral("FileTimeStamp")),
                Column::longInt(QStringLiteral("FileFlags"))};
    }
    return {complex.item(QStringLiteral("Value"))};
}

FlatTable flatTable(const QString& tableName, const Column& complex)
{
    FlatTable flat;
    // "f_", 32 hex digits of an id Access makes up, "_", the column's name. The id here
    // comes from the names, so that the same tables give the same file.
    const QByteArray id = QCryptographicHash::hash((tableName + QLatin1Char('/') + complex.name).toUtf8(),
                                                   QCryptographicHash::Md5)
                              .toHex()
                              .toUpper();
    flat.name = (QStringLiteral("f_") + QString::fromLatin1(id) + QLatin1Char('_') + complex.name).left(kMaxName);

    const std::vector<Column> types = typeColumns(complex);
    Column number = Column::longInt((tableName + QLatin1Char('_') + complex.name).left(kMaxName));
    number.autoNumber = true;
    // Sorted by name: the type columns (indexes 0..n-1) and the numbering (n).
    std::vector<int> order(types.size() + 1);
    std::iota(order.begin(), order.end(), 0);
    auto nameOf = [&](int k) { return k < int(types.size()) ? types[k].name : number.name; };
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return nameOf(a).compare(nameOf(b), Qt::CaseInsensitive) < 0; });

    flat.columns.push_back(Column::longInt((QLatin1Char('_') + complex.name).left(kMaxName)));
    flat.keyAt = 0;
    flat.typeColumnAt.resize(types.size());
    for (int k : order) {
        const int at = static_cast<int>(flat.columns.size());
        if (k < int(types.size())) {
            flat.typeColumnAt[k] = at;
            flat.columns.push_back(types[k]);
        } else {
            flat.numberAt = at;
            flat.columns.push_back(number);
        }
    }
    return flat;
}

QByteArray attachmentData(const QString& extension, const QByteArray& data, bool compress)
{
    const QByteArray type = jettext::utf16(extension + QChar(0));
    const int headerLength = 12 + static_cast<int>(type.size());
    QByteArray content = word(headerLength) + word(1) + word(static_cast<std::uint32_t>(extension.size() + 1)) + type;
    content += data;
    QByteArray out = word(compress ? 1 : 0) + word(static_cast<std::uint32_t>(content.size()));
    // qCompress puts the length before the zlib stream; Access keeps the stream alone.
    out += compress ? qCompress(content, 3).mid(4) : content;
    return out;
}

std::vector<Value> attachment(const QString& fileName, const QByteArray& data, bool compress)
{
    const QString extension = QFileInfo(fileName).suffix();
    return {Value::null(),
            Value::text(fileName),
            Value::text(extension),
            Value::binary(attachmentData(extension, data, compress)),
            Value::null(),
            Value::null()};
}

} // namespace quorvane::mdbwriter::hiddentables
