#include "BenchDatabase.h"

#include "DatabaseWriter.h"
#include "HiddenTables.h"

namespace quorvane::mdbwriter {

using db::Value;

namespace {

// SplitMix64: a fast generator whose every output depends on one 64-bit state, which
// is what makes rows independent of each other.
class SplitMix {
public:
    explicit SplitMix(std::uint64_t state) : m_state(state) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % std::uint64_t(n)); }

private:
    std::uint64_t m_state;
};

const char16_t* const kFirstNames[] = {u"Zoë", u"Åsa", u"José", u"Øystein", u"Ana", u"Jürgen", u"François",
                                       u"Małgorzata", u"Hélène", u"Søren", u"Ines", u"Dmitri", u"Ørjan", u"Chloé",
                                       u"Björn", u"Noël"};
const char16_t* const kLastNames[] = {u"Ångström", u"Müller", u"Nuñez", u"Øvrebø", u"Lefèvre", u"Kowalski",
                                      u"García", u"O'Brien", u"Schröder", u"Dvořák", u"Smith", u"Łukasiewicz"};
const char16_t* const kWords[] = {u"order", u"shipped", u"late", u"customer", u"called", u"about", u"the",
                                  u"invoice", u"früh", u"naïve", u"café", u"déjà", u"vu", u"and", u"paid",
                                  u"in", u"full", u"Straße", u"São", u"Paulo", u"€", u"note"};

template <typename T, std::size_t N>
const T& pick(SplitMix& rng, const T (&list)[N])
{
    return list[rng.below(int(N))];
}

QString words(SplitMix& rng, int count, bool lineBreaks)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += (lineBreaks && rng.below(6) == 0) ? QStringLiteral("\r\n") : QStringLiteral(" ");
        text += QString::fromUtf16(pick(rng, kWords));
    }
    return text;
}

// Words of scripts whose letters all take two bytes in UTF-16 and none in Latin-1, so
// stored text cannot be compressed.
const char16_t* const kForeignWords[] = {u"Москва", u"заказ", u"отправлен", u"клиент", u"счёт", u"оплачен",
                                         u"Санкт-Петербург", u"Новосибирск", u"примечание", u"доставка",
                                         u"Αθήνα", u"παραγγελία", u"πελάτης", u"東京都", u"注文", u"顧客",
                                         u"北京市", u"القاهرة", u"طلب", u"Київ"};

QString foreignWords(SplitMix& rng, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QString::fromUtf16(pick(rng, kForeignWords));
    }
    return text;
}

QByteArray randomBytes(SplitMix& rng, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; i += 8) {
        const std::uint64_t word = rng.next();
        for (int k = 0; k < 8 && i + k < size; ++k)
            bytes[i + k] = static_cast<char>(word >> (8 * k));
    }
    return bytes;
}

// Whole seconds between 1990 and about 2037, so every reader prints them exactly.
Value benchDateTime(SplitMix& rng)
{
    const int day = 32874 + rng.below(17'000);
    const int second = rng.below(86400);
    return Value::dateTime({day + second / 86400.0});
}

} // namespace

std::vector<Column> BenchDatabase::columns(Shape shape)
{
    if (shape == Shape::Wide) {
        std::vector<Column> wide;
        for (int i = 1; i <= 5; ++i) {
            const auto name = [i](const char* kind) { return QLatin1String(kind) + QString::number(i); };
            wide.insert(wide.end(), {Column::longInt(name("Long")), Column::text(name("Text"), 20),
                                     Column::dbl(name("Double")), Column::currency(name("Currency")),
                                     Column::dateTime(name("Date")), Column::boolean(name("YesNo")),
                                     Column::single(name("Single")), Column::integer(name("Integer"))});
        }
        return wide;
    }
    switch (shape) {
    case Shape::Memo:
        return {Column::longInt("ID"), Column::text("Title", 60), Column::dateTime("Created"), Column::memo("Body")};
    case Shape::Unicode:
        return {Column::longInt("ID"), Column::text("Name", 100), Column::text("City", 50),
                Column::text("Street", 120), Column::memo("Note")};
    case Shape::Sparse: {
        std::vector<Column> sparse{Column::longInt("ID")};
        for (int i = 1; i <= 5; ++i) {
            const auto name = [i](const char* kind) { return QLatin1String(kind) + QString::number(i); };
            sparse.insert(sparse.end(), {Column::text(name("Text"), 40), Column::longInt(name("Long")),
                                         Column::dbl(name("Double")), Column::dateTime(name("Date")),
                                         Column::currency(name("Currency")), Column::memo(name("Memo"))});
        }
        return sparse;
    }
    case Shape::Binary:
        return {Column::longInt("ID"), Column::binary("Key", 255), Column::ole("Blob")};
    case Shape::Complex:
        return {Column::longInt("ID"), Column::text("Name", 50),
                Column::multiValued("Tags", Column::text({}, 30)), Column::attachments("Files")};
    case Shape::Extended:
        return {Column::longInt("ID"), Column::decimal("Exact", 28, 6), Column::bigInt("Big"),
                Column::dateTimeExtended("Moment"), Column::decimal("Small", 10, 2), Column::guid("Tag")};
    default:
        break;
    }
    return {Column::longInt("ID"),        Column::text("Name", 80),    Column::currency("Amount"),
            Column::dbl("Ratio"),         Column::single("Weight"),    Column::integer("Quantity"),
            Column::byte("Grade"),        Column::dateTime("Created"), Column::boolean("Active"),
            Column::decimal("Price", 18, 4), Column::memo("Notes")};
}

std::vector<Value> BenchDatabase::row(std::int64_t index) const
{
    if (m_shape == Shape::Wide)
        return wideRow(index);
    if (m_shape != Shape::Mixed)
        return otherRow(index);
    SplitMix rng(m_seed * 0x100000001B3ull + std::uint64_t(index));
    std::vector<Value> values;
    values.reserve(11);
    values.push_back(Value::longInt(static_cast<std::int32_t>(index + 1)));
    values.push_back(Value::text(QString::fromUtf16(pick(rng, kFirstNames)) + QLatin1Char(' ')
                                 + QString::fromUtf16(pick(rng, kLastNames))));
    // Amounts from -50,000 to 50,000 with all four decimals in use.
    values.push_back(Value::currency({std::int64_t(rng.next() % 1'000'000'001) - 500'000'000}));
    values.push_back(Value::dbl(double(std::int64_t(rng.next() % 2'000'001) - 1'000'000) / 1024.0));
    values.push_back(Value::single(float(rng.below(100'000)) / 8.0f));
    values.push_back(Value::integer(static_cast<std::int16_t>(rng.below(65536) - 32768)));
    values.push_back(Value::byte(static_cast<std::uint8_t>(rng.below(256))));
    values.push_back(benchDateTime(rng));
    values.push_back(Value::boolean(rng.below(2) == 1));
    db::Decimal price;
    price.lo = static_cast<std::uint32_t>(rng.next());
    price.mid = static_cast<std::uint32_t>(rng.below(1 << 20));
    price.scale = 4;
    price.negative = rng.below(4) == 0;
    values.push_back(Value::decimal(price));
    const int memoKind = rng.below(200);
    if (memoKind < 20)
        values.push_back(Value::null());
    else if (memoKind == 20)
        values.push_back(Value::text(words(rng, 700 + rng.below(700), true))); // 8 to 20 KB
    else if (memoKind < 70)
        values.push_back(Value::text(words(rng, 3 + rng.below(12), true)));
    else
        values.push_back(Value::text(words(rng, 1 + rng.below(8), false)));
    return values;
}

std::vector<Value> BenchDatabase::wideRow(std::int64_t index) const
{
    SplitMix rng(m_seed * 0x100000001B3ull + std::uint64_t(index));
    std::vector<Value> values;
    values.reserve(40);
    for (int group = 0; group < 5; ++group) {
        values.push_back(Value::longInt(group == 0 ? static_cast<std::int32_t>(index + 1)
                                                   : static_cast<std::int32_t>(rng.next())));
        values.push_back(Value::text(QString::fromUtf16(pick(rng, kWords))));
        // Most doubles are short decimals; one column in five holds values whose shortest
        // form needs all 17 digits, the slow path of any formatter.
        if (group == 4)
            values.push_back(Value::dbl(double(rng.next() >> 11) / double(1ull << 40)));
        else
            values.push_back(Value::dbl(double(std::int64_t(rng.next() % 20'000'001) - 10'000'000) / 100.0));
        values.push_back(Value::currency({std::int64_t(rng.next() % 1'000'000'001) - 500'000'000}));
        values.push_back(benchDateTime(rng));
        values.push_back(Value::boolean(rng.below(2) == 1));
        values.push_back(Value::single(float(rng.below(1'000'000) - 500'000) / 64.0f));
        values.push_back(Value::integer(static_cast<std::int16_t>(rng.below(65536) - 32768)));
    }
    return values;
}

std::vector<Value> BenchDatabase::otherRow(std::int64_t index) const
{
    SplitMix rng(m_seed * 0x100000001B3ull + std::uint64_t(index));
    std::vector<Value> values{Value::longInt(static_cast<std::int32_t>(index + 1))};
    switch (m_shape) {
    case Shape::Memo:
        values.push_back(Value::text(words(rng, 2 + rng.below(6), false)));
        values.push_back(benchDateTime(rng));
        // Past the 4 KB of a page from the smallest, so every value is a chain.
        values.push_back(Value::text(words(rng, 350 + rng.below(3000), true)));
        break;
    case Shape::Unicode:
        values.push_back(Value::text(foreignWords(rng, 2 + rng.below(3))));
        values.push_back(Value::text(foreignWords(rng, 1)));
        values.push_back(Value::text(foreignWords(rng, 3 + rng.below(6))));
        values.push_back(rng.below(4) == 0 ? Value::null() : Value::text(foreignWords(rng, 5 + rng.below(40))));
        break;
    case Shape::Sparse:
        for (int group = 0; group < 5; ++group) {
            const auto present = [&rng] { return rng.below(20) == 0; };
            values.push_back(present() ? Value::text(words(rng, 1 + rng.below(3), false)) : Value::null());
            values.push_back(present() ? Value::longInt(static_cast<std::int32_t>(rng.next())) : Value::null());
            values.push_back(present() ? Value::dbl(double(rng.below(2'000'000)) / 64.0) : Value::null());
            values.push_back(present() ? benchDateTime(rng) : Value::null());
            values.push_back(present() ? Value::currency({std::int64_t(rng.next() % 1'000'000'001)}) : Value::null());
            values.push_back(present() ? Value::text(words(rng, 2 + rng.below(10), false)) : Value::null());
        }
        break;
    case Shape::Binary:
        values.push_back(Value::binary(randomBytes(rng, 16 + rng.below(240))));
        values.push_back(rng.below(10) == 0 ? Value::null() : Value::binary(randomBytes(rng, 100 + rng.below(16'284))));
        break;
    case Shape::Complex: {
        // The items themselves are written by addComplexItems; the row holds their key.
        const auto key = static_cast<std::int32_t>(index + 1);
        values.push_back(Value::text(words(rng, 1 + rng.below(3), false)));
        values.push_back(Value::complex({key, {}}));
        values.push_back(Value::complex({key, {}}));
        break;
    }
    case Shape::Extended: {
        db::Decimal exact;
        exact.lo = static_cast<std::uint32_t>(rng.next());
        exact.mid = static_cast<std::uint32_t>(rng.next());
        exact.hi = static_cast<std::uint32_t>(rng.below(1 << 29)); // below 10^28
        exact.scale = 6;
        exact.negative = rng.below(3) == 0;
        values.push_back(Value::decimal(exact));
        values.push_back(Value::bigInt(static_cast<std::int64_t>(rng.next())));
        values.push_back(Value::dateTimeExtended({std::int64_t(rng.below(3'652'058)),
                                                  std::int64_t(rng.next() % 864'000'000'000ull)}));
        db::Decimal small;
        small.lo = static_cast<std::uint32_t>(rng.next() % 4'000'000'000u);
        small.scale = 2;
        small.negative = rng.below(5) == 0;
        values.push_back(Value::decimal(small));
        db::Guid tag;
        const QByteArray bytes = randomBytes(rng, 16);
        std::copy(bytes.begin(), bytes.end(), tag.bytes.begin());
        values.push_back(Value::guid(tag));
        break;
    }
    default:
        break;
    }
    return values;
}

bool BenchDatabase::addComplexItems(DatabaseWriter& db, std::int64_t index) const
{
    // A stream of its own, so the rows stay what row() gives.
    SplitMix rng(~(m_seed * 0x100000001B3ull + std::uint64_t(index)));
    const auto key = static_cast<std::int32_t>(index + 1);
    bool ok = true;
    for (int tags = rng.below(5); ok && tags > 0; --tags) {
        const Value tag = Value::text(words(rng, 1, false));
        ok = db.addComplexItem(QStringLiteral("Tags"), key, std::span(&tag, 1));
    }
    for (int files = rng.below(3); ok && files > 0; --files) {
        const QString name = QStringLiteral("scan%1.txt").arg(rng.below(1000));
        ok = db.addComplexItem(QStringLiteral("Files"), key,
                               hiddentables::attachment(name, words(rng, 20 + rng.below(200), true).toUtf8()));
    }
    return ok;
}

bool BenchDatabase::write(const QString& path, std::int64_t rows, QString& error, Version version) const
{
    DatabaseOptions options;
    options.version = version;
    return write(path, rows, error, options);
}

bool BenchDatabase::write(const QString& path, std::int64_t rows, QString& error, const DatabaseOptions& options) const
{
    DatabaseWriter db;
    const Version version = options.version;
    bool ok = db.open(path, options) && db.beginTable(tableName(), columns(m_shape));
    for (std::int64_t i = 0; ok && i < rows; ++i) {
        if (m_shape == Shape::Complex) {
            ok = db.addRow(row(i)) && addComplexItems(db, i);
            continue;
        }
        if (version != Version::Jet3) {
            ok = db.addRow(row(i));
            continue;
        }
        // Names such as "Łukasiewicz" are not in a Jet 3 file's code page: they are
        // stored as Access 97 stores them.
        TableData one{{}, {}, {row(i)}};
        ok = db.addRow(DatabaseWriter::storable(std::move(one), options).rows.front());
    }
    ok = ok && db.close();
    if (!ok)
        error = db.errorString();
    return ok;
}

} // namespace quorvane::mdbwriter
