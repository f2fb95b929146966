#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <variant>

namespace quorvane::db {

// Currency: a 64-bit integer counting ten-thousandths, exactly as Access stores it.
struct Currency {
    std::int64_t scaled = 0;
    friend bool operator==(const Currency&, const Currency&) = default;
};

// Decimal: up to 28 significant digits. The magnitude is a 96-bit unsigned integer
// (lo, mid, hi words), the value is magnitude / 10^scale, negated when negative is set.
struct Decimal {
    std::uint32_t lo = 0;
    std::uint32_t mid = 0;
    std::uint32_t hi = 0;
    std::uint8_t scale = 0;
    bool negative = false;
    friend bool operator==(const Decimal&, const Decimal&) = default;

    // Exact decimal digits, '.' as separator, no trailing zeros after the point
    // when trimZeros is set (e.g. "1995.5"), otherwise all `scale` decimals.
    QString toString(bool trimZeros = true) const;
    // The same text as Latin-1 into `out`, which holds kMaxTextLength; returns its length.
    int toChars(char* out, bool trimZeros = true) const;
    // A Currency's count of ten-thousandths as a Decimal of scale 4.
    static Decimal fromCurrency(Currency value);

    // A scale beyond 28 is not one Access writes; a damaged file's larger scale is cut
    // to this so the digits stay within their buffer.
    static constexpr int kMaxScale = 30;
    static constexpr int kMaxDigits = 40;
    static constexpr int kMaxTextLength = kMaxDigits + 2; // a sign and a point
    int effectiveScale() const { return scale < kMaxScale ? scale : kMaxScale; }
    // The digits of the magnitude into `out` (kMaxDigits long), least significant first,
    // padded with zeros to at least effectiveScale() + 1 digits. Returns their count.
    int digitsLeastSignificantFirst(char* out) const;
};

// Date/Time as Access stores it: days since 1899-12-30. For negative values the
// integral part counts days backwards while the fraction is still the time of day
// forwards (-1.25 is 1899-12-29 06:00).
struct OleDate {
    double days = 0.0;
    friend bool operator==(const OleDate&, const OleDate&) = default;
};

// Date/Time Extended (Access 2019): a day number since 0001-01-01 and the time of day
// in 100-nanosecond units.
struct ExtendedDate {
    std::int64_t days = 0;           // 0 is 0001-01-01
    std::int64_t ticks = 0;          // 0 .. 863'999'999'999
    friend bool operator==(const ExtendedDate&, const ExtendedDate&) = default;
};

// Replication ID: the 16 bytes as stored (Data1..Data3 little-endian, Data4 as bytes).
struct Guid {
    std::array<std::uint8_t, 16> bytes{};
    friend bool operator==(const Guid&, const Guid&) = default;
    // "{6B29FC40-CA47-1067-B31D-00DD010662DA}"
    QString toString() const;
};

// Binary and OLE Object data.
struct Binary {
    QByteArray bytes;
    friend bool operator==(const Binary&, const Binary&) = default;
};

// A complex column (attachments, multi-valued field). `key` links the row to the
// hidden table holding its values; `display` is what Access shows, when known.
struct Complex {
    std::int32_t key = 0;
    QString display;
    friend bool operator==(const Complex&, const Complex&) = default;
};

// What kind of value a Value holds. Null is distinct from every other kind.
enum class ValueKind {
    Null,
    Text,
    Byte,
    Integer,
    Long,
    BigInt,
    Single,
    Double,
    Currency,
    Decimal,
    DateTime,
    DateTimeExtended,
    Boolean,
    Guid,
    Binary,
    Complex,
};

// A typed field value with a distinct Null, the variant the record set hands out.
class Value {
public:
    Value() = default;
    static Value null() { return {}; }
    static Value text(QString s) { return Value(Storage(std::in_place_index<1>, std::move(s))); }
    static Value byte(std::uint8_t v) { return Value(Storage(std::in_place_index<2>, v)); }
    static Value integer(std::int16_t v) { return Value(Storage(std::in_place_index<3>, v)); }
    static Value longInt(std::int32_t v) { return Value(Storage(std::in_place_index<4>, v)); }
    static Value bigInt(std::int64_t v) { return Value(Storage(std::in_place_index<5>, v)); }
    static Value single(float v) { return Value(Storage(std::in_place_index<6>, v)); }
    static Value dbl(double v) { return Value(Storage(std::in_place_index<7>, v)); }
    static Value currency(Currency v) { return Value(Storage(std::in_place_index<8>, v)); }
    static Value decimal(Decimal v) { return Value(Storage(std::in_place_index<9>, v)); }
    static Value dateTime(OleDate v) { return Value(Storage(std::in_place_index<10>, v)); }
    static Value dateTimeExtended(ExtendedDate v) { return Value(Storage(std::in_place_index<11>, v)); }
    static Value boolean(bool v) { return Value(Storage(std::in_place_index<12>, v)); }
    static Value guid(Guid v) { return Value(Storage(std::in_place_index<13>, v)); }
    static Value binary(QByteArray v) { return Value(Storage(std::in_place_index<14>, Binary{std::move(v)})); }
    static Value complex(Complex v) { return Value(Storage(std::in_place_index<15>, std::move(v))); }

    // Makes the value Text and hands out its string to be overwritten. A string it held
    // already keeps its storage, so a reader filling the same value row after row does
    // not allocate for every row.
    QString& textToFill()
    {
        if (m_storage.index() != 1)
            m_storage.emplace<1>();
        return std::get<1>(m_storage);
    }

    // The same as assigning Value::longInt(v) and so on, without a temporary: a reader
    // fills the same row of values for every record, and a value usually keeps its
    // kind from record to record, when this is a plain store.
    void setNull() { if (m_storage.index() != 0) m_storage.emplace<0>(); }
    void setByte(std::uint8_t v) { assign<2>(v); }
    void setInteger(std::int16_t v) { assign<3>(v); }
    void setLong(std::int32_t v) { assign<4>(v); }
    void setBigInt(std::int64_t v) { assign<5>(v); }
    void setSingle(float v) { assign<6>(v); }
    void setDouble(double v) { assign<7>(v); }
    void setCurrency(Currency v) { assign<8>(v); }
    void setDateTime(OleDate v) { assign<10>(v); }
    void setBoolean(bool v) { assign<12>(v); }

    ValueKind kind() const { return static_cast<ValueKind>(m_storage.index()); }
    bool isNull() const { return m_storage.index() == 0; }

    // Typed access; the caller checks kind() first (asserts otherwise).
    const QString& asText() const { return std::get<1>(m_storage); }
    std::uint8_t asByte() const { return std::get<2>(m_storage); }
    std::int16_t asInteger() const { return std::get<3>(m_storage); }
    std::int32_t asLong() const { return std::get<4>(m_storage); }
    std::int64_t asBigInt() const { return std::get<5>(m_storage); }
    float asSingle() const { return std::get<6>(m_storage); }
    double asDouble() const { return std::get<7>(m_storage); }
    Currency asCurrency() const { return std::get<8>(m_storage); }
    const Decimal& asDecimal() const { return std::get<9>(m_storage); }
    OleDate asDateTime() const { return std::get<10>(m_storage); }
    ExtendedDate asDateTimeExtended() const { return std::get<11>(m_storage); }
    bool asBoolean() const { return std::get<12>(m_storage); }
    const Guid& asGuid() const { return std::get<13>(m_storage); }
    const QByteArray& asBinary() const { return std::get<14>(m_storage).bytes; }
    const Complex& asComplex() const { return std::get<15>(m_storage); }

    friend bool operator==(const Value&, const Value&) = default;

private:
    using Storage = std::variant<std::monostate, QString, std::uint8_t, std::int16_t, std::int32_t,
                                 std::int64_t, float, double, Currency, Decimal, OleDate, ExtendedDate,
                                 bool, Guid, Binary, Complex>;
    explicit Value(Storage s) : m_storage(std::move(s)) {}
    template <std::size_t I, class T>
    void assign(T v)
    {
        if (auto* held = std::get_if<I>(&m_storage))
            *held = v;
        else
            m_storage.template emplace<I>(v);
    }
    Storage m_storage;
};

// Column types as the reader knows them (the names of the corpus dumps).
enum class ColumnType {
    Boolean,         // Yes/No
    Byte,
    Integer,         // 16-bit
    Long,            // 32-bit
    BigInt,          // 64-bit (Access 2016+)
    Money,           // Currency
    Numeric,         // Decimal
    Float,           // Single
    Double,
    ShortDateTime,   // Date/Time
    ExtDateTime,     // Date/Time Extended
    Text,
    Memo,
    Binary,
    Ole,
    Guid,
    Complex,
    Unknown,
};

// "BOOLEAN", "BYTE", ... as in the corpus dumps.
QString columnTypeName(ColumnType type);

} // namespace quorvane::db
