#pragma once

#include "FileFormat.h"

#include "db/Value.h"

#include <QString>

#include <cstdint>

namespace quorvane::mdbwriter {

// One column of a table to write. The kinds are those the reader knows (db::ColumnType):
// Text, Memo, Byte, Integer, Long, Float (Single), Double, Money (Currency), Numeric
// (Decimal), ShortDateTime (Date/Time), Boolean (Yes/No), Guid, Binary and Ole; in ACE
// files also BigInt (Big Integer), ExtDateTime (Date/Time Extended) and Complex (an
// attachment or multi-valued field).
struct Column {
    // What a Complex column holds: attachments, or several values of one kind.
    enum class Items { None, MultiValued, Attachments };

    QString name;
    db::ColumnType type = db::ColumnType::Text;
    int length = 0;            // Text: most characters (1..255); Binary: most bytes (1..510)
    std::uint8_t precision = 0; // Numeric: 1..28 digits
    std::uint8_t scale = 0;     // Numeric: 0..precision digits after the point
    // ACE: the column holds what an expression gave, in the type of the result.
    bool calculated = false;
    // Long Integer: filled by the engine (the hidden tables' own keys are such).
    bool autoNumber = false;
    // Complex: what each row's items are; a multi-valued field's items have the kind
    // `itemType` with `length`, `precision` and `scale` as a column of that kind has.
    Items items = Items::None;
    db::ColumnType itemType = db::ColumnType::Unknown;

    static Column text(QString name, int maxChars = 255) { return {std::move(name), db::ColumnType::Text, maxChars}; }
    static Column memo(QString name) { return {std::move(name), db::ColumnType::Memo}; }
    static Column byte(QString name) { return {std::move(name), db::ColumnType::Byte}; }
    static Column integer(QString name) { return {std::move(name), db::ColumnType::Integer}; }
    static Column longInt(QString name) { return {std::move(name), db::ColumnType::Long}; }
    static Column single(QString name) { return {std::move(name), db::ColumnType::Float}; }
    static Column dbl(QString name) { return {std::move(name), db::ColumnType::Double}; }
    static Column currency(QString name) { return {std::move(name), db::ColumnType::Money}; }
    static Column decimal(QString name, std::uint8_t precision, std::uint8_t scale)
    {
        return {std::move(name), db::ColumnType::Numeric, 0, precision, scale};
    }
    static Column dateTime(QString name) { return {std::move(name), db::ColumnType::ShortDateTime}; }
    static Column bigInt(QString name) { return {std::move(name), db::ColumnType::BigInt}; }
    static Column dateTimeExtended(QString name) { return {std::move(name), db::ColumnType::ExtDateTime}; }
    static Column boolean(QString name) { return {std::move(name), db::ColumnType::Boolean}; }
    static Column guid(QString name) { return {std::move(name), db::ColumnType::Guid}; }
    static Column binary(QString name, int maxBytes = 255) { return {std::move(name), db::ColumnType::Binary, maxBytes}; }
    static Column ole(QString name) { return {std::move(name), db::ColumnType::Ole}; }
    // ACE only. A row holds a key (Value::complex); its items are rows of a hidden table
    // given with DatabaseWriter::addComplexItem.
    static Column attachments(QString name)
    {
        Column c{std::move(name), db::ColumnType::Complex};
        c.items = Items::Attachments;
        return c;
    }
    // `item` gives the kind of the values (its name is not used): Byte, Integer, Long,
    // Float, Double, Guid, Numeric or Text, the kinds Access offers for such a field.
    static Column multiValued(QString name, const Column& item)
    {
        Column c{std::move(name), db::ColumnType::Complex, item.length, item.precision, item.scale};
        c.items = Items::MultiValued;
        c.itemType = item.type;
        return c;
    }
    // The kind of one item of a multi-valued field, as a column of its own.
    Column item(QString itemName) const
    {
        return {std::move(itemName), itemType, length, precision, scale};
    }

    // The same column holding an expression's results (ACE only). Access keeps no
    // expression the reader needs, so the writer stores the results alone.
    Column asCalculated() const
    {
        Column c = *this;
        c.calculated = true;
        return c;
    }

    // What is wrong with the definition in a file of `format`, empty when it can be written.
    QString check(const FileFormat& format) const;
    // What is wrong with a complex column's definition, empty when it can be written.
    QString checkComplex(const FileFormat& format) const;
    // Stored in the variable part of a row (Text, Memo, Binary, Ole).
    bool isVariable() const;
    // Memo and Ole: a 12-byte header in the row, the data inline or on long-value pages.
    bool isLongValue() const;
    // Bytes in the fixed part of a row (0 for variable columns and for Yes/No, whose
    // value lives in the row's null mask). A calculated value has a slot of
    // kCalculatedFixedSize bytes whatever its type, Yes/No included.
    int fixedSize() const;
    // Bytes the definition gives as the column's length.
    int definedLength(const FileFormat& format) const;
    // A calculated value's bytes sit behind a wrapper: their length at 16, the bytes
    // from 20, three spare bytes after them.
    static constexpr int kCalculatedLengthOffset = 16;
    static constexpr int kCalculatedDataOffset = 20;
    static constexpr int kCalculatedOverhead = 23;
    static constexpr int kCalculatedFixedSize = 39;
    // Date/Time Extended is ASCII text in a fixed slot: days since 0001-01-01 and the
    // time of day in 100 ns units, 19 digits each, then the digits of precision.
    static constexpr int kExtendedDateSize = 42;
    // The Jet type code written into the table definition.
    std::uint8_t typeCode() const;
};

} // namespace quorvane::mdbwriter
