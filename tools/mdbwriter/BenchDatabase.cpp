#include "BenchDatabase.h"

#include "DatabaseWriter.h"

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
    return {Column::longInt("ID"),        Column::text("Name", 80),    Column::currency("Amount"),
            Column::dbl("Ratio"),         Column::single("Weight"),    Column::integer("Quantity"),
            Column::byte("Grade"),        Column::dateTime("Created"), Column::boolean("Active"),
            Column::decimal("Price", 18, 4), Column::memo("Notes")};
}

std::vector<Value> BenchDatabase::row(std::int64_t index) const
{
    if (m_shape == Shape::Wide)
        return wideRow(index);
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

bool BenchDatabase::write(const QString& path, std::int64_t rows, QString& error, Version version) const
{
    DatabaseWriter db;
    DatabaseOptions options;
    options.version = version;
    bool ok = db.open(path, options) && db.beginTable(tableName(), columns(m_shape));
    for (std::int64_t i = 0; ok && i < rows; ++i) {
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
