#include "SampleDatabase.h"

#include "DatabaseWriter.h"

#include <QDate>
#include <QTime>

namespace quorvane::mdbwriter {

using db::Value;

namespace {

// The Access day number of a date and time.
Value when(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(QDate(year, month, day));
    return Value::dateTime({double(days) + (hour * 3600 + minute * 60 + second) / 86400.0});
}

Value money(qint64 units, int tenThousandths = 0)
{
    return Value::currency({units * 10'000 + (units < 0 ? -tenThousandths : tenThousandths)});
}

// A decimal from its digits and scale ("-12.5" is decimal(-125, 1)).
Value decimal(qint64 digits, std::uint8_t scale)
{
    db::Decimal d;
    const quint64 magnitude = digits < 0 ? quint64(-digits) : quint64(digits);
    d.lo = static_cast<std::uint32_t>(magnitude);
    d.mid = static_cast<std::uint32_t>(magnitude >> 32);
    d.scale = scale;
    d.negative = digits < 0;
    return Value::decimal(d);
}

Value guid(std::uint32_t seed)
{
    db::Guid g;
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : g.bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return Value::guid(g);
}

// Deterministic bytes standing in for a picture: a PNG signature, then noise.
Value picture(int size, std::uint32_t seed)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
    std::uint32_t x = seed;
    while (bytes.size() < size) {
        x = x * 1664525u + 1013904223u;
        bytes.append(static_cast<char>(x >> 24));
    }
    bytes.truncate(size);
    return Value::binary(bytes);
}

Value text(const char* utf8)
{
    return Value::text(QString::fromUtf8(utf8));
}

TableData customers()
{
    TableData t;
    t.name = QStringLiteral("Customers");
    t.columns = {Column::longInt("CustomerID"), Column::text("Name", 80),      Column::text("Company", 80),
                 Column::text("City", 50),      Column::text("Country", 50),   Column::text("Email", 100),
                 Column::dateTime("Since"),     Column::boolean("VIP"),        Column::currency("CreditLimit"),
                 Column::byte("Rating"),        Column::integer("Region"),     Column::guid("CustomerKey"),
                 Column::memo("Notes")};
    struct Person {
        const char* name;
        const char* company;
        const char* city;
        const char* country;
    };
    static const Person kPeople[] = {
        {"Zoë Ångström", "Ångström Optik AB", "Uppsala", "Sweden"},
        {"Jürgen Müller", "Müller GmbH", "München", "Germany"},
        {"João Conceição", "Conceição & Filhos Ltda.", "São Paulo", "Brazil"},
        {"François Lefèvre", "Lefèvre SARL", "Besançon", "France"},
        {"Søren Kierkegaard", "Kierkegaard ApS", "København", "Denmark"},
        {"Małgorzata Wiśniewska", "Wiśniewska Sp. z o.o.", "Łódź", "Poland"},
        {"Dvořák Antonín", "Dvořák s.r.o.", "Nelahozeves", "Czechia"},
        {"Ana Núñez", "Núñez y Asociados", "A Coruña", "Spain"},
        {"Øystein Ørjasæter", nullptr, "Tromsø", "Norway"},
        {"Hélène Dubois", "Dubois & Cie", "Genève", "Switzerland"},
        {"Дмитрий Иванов", "ООО «Иванов»", "Москва", "Russia"},
        {"Γιώργος Παπαδόπουλος", "Παπαδόπουλος Α.Ε.", "Αθήνα", "Greece"},
        {"山田 太郎", "山田商事株式会社", "東京", "Japan"},
        {"Nguyễn Văn An", "Công ty Nguyễn", "Hà Nội", "Vietnam"},
        {"Ābele Kalniņa", "Kalniņa SIA", "Rīga", "Latvia"},
        {"Şule Yılmaz", "Yılmaz Ltd. Şti.", "İstanbul", "Turkey"},
        {"Brian O'Neill", "O'Neill \"The Baker\" Ltd", "Dublin", "Ireland"},
        {"Mary-Jane Smith", "Smith, Jones, and Partners", "Springfield", nullptr},
        {"Ingrid Bergström", "Bergström Trä AB", "Göteborg", "Sweden"},
        {"Björn Æbelø", "Æbelø Fisk", "Ærøskøbing", "Denmark"},
    };
    static const char* const kNotes[] = {
        "Prefers e-mail.\r\nCall only after 10:00.",
        nullptr,
        "Pays on time.",
        "Met at the Frankfurt fair.\r\nInterested in the winter range.\r\nSend the catalogue in French.",
        "",
        "Ships to: \"Lager 3\", Hafenstraße 12\nTab\there, semicolon; comma, done.",
    };
    int n = 0;
    for (int round = 0; round < 2; ++round) {
        for (const Person& p : kPeople) {
            ++n;
            const bool second = round == 1;
            std::vector<Value> row;
            row.push_back(Value::longInt(n));
            row.push_back(second ? Value::text(QString::fromUtf8(p.name) + QStringLiteral(" Jr.")) : text(p.name));
            row.push_back(p.company ? text(p.company) : Value::null());
            row.push_back(text(p.city));
            row.push_back(p.country ? text(p.country) : Value::null());
            row.push_back(n % 7 == 3 ? Value::null()
                                     : Value::text(QStringLiteral("customer%1@example.com").arg(n)));
            row.push_back(n % 9 == 4 ? Value::null() : when(2001 + n % 20, 1 + n % 12, 1 + (n * 7) % 28,
                                                            n % 3 == 0 ? 0 : 8 + n % 10, (n * 13) % 60));
            row.push_back(Value::boolean(n % 4 == 1));
            row.push_back(n % 11 == 5 ? Value::null() : money(1000 * (n % 8) + 250, (n * 37) % 10'000));
            row.push_back(n % 10 == 6 ? Value::null() : Value::byte(static_cast<std::uint8_t>((n * 29) % 256)));
            row.push_back(n % 12 == 7 ? Value::null() : Value::integer(static_cast<std::int16_t>(n * 997 % 65536 - 32768)));
            row.push_back(n % 13 == 8 ? Value::null() : guid(n));
            const char* note = kNotes[n % 6];
            row.push_back(note ? text(note) : Value::null());
            t.rows.push_back(std::move(row));
        }
    }
    return t;
}

TableData products()
{
    TableData t;
    t.name = QStringLiteral("Products");
    t.columns = {Column::longInt("ProductID"),   Column::text("ProductName", 100), Column::text("Category", 40),
                 Column::currency("UnitPrice"),  Column::single("Weight"),         Column::dbl("Density"),
                 Column::decimal("TaxRate", 5, 2), Column::boolean("Discontinued"), Column::binary("Barcode", 16),
                 Column::ole("Photo"),           Column::memo("Description")};
    static const char* const kNames[] = {
        "Käsespätzle", "Crème brûlée", "Smørrebrød", "Pão de queijo", "Pierogi ruskie", "Tarte flambée",
        "Bacalhau à Brás", "Knäckebröd", "Ćevapčići", "Gâteau Basque", "Leberkäse", "Rødgrød med fløde",
        "Жареная картошка", "抹茶アイス", "Baklava", "Stroopwafel", "Churros", "Pastel de nata",
        "Kanelbullar", "Sachertorte", "Lángos", "Paella valenciana", "Apfelstrudel", "Pho bò", "Ōtoro",
    };
    static const char* const kCategories[] = {"Dairy", "Desserts", "Bakery", "Meals", nullptr};
    QString longText;
    for (int i = 1; i <= 120; ++i)
        longText += QStringLiteral("Line %1: ingredients, allergens (Milch, Eier, Nüsse), storage at 4 °C.\r\n").arg(i);
    int n = 0;
    for (const char* name : kNames) {
        ++n;
        std::vector<Value> row;
        row.push_back(Value::longInt(100 + n));
        row.push_back(text(name));
        const char* category = kCategories[n % 5];
        row.push_back(category ? text(category) : Value::null());
        row.push_back(n == 7 ? Value::null() : money(n * 3 % 40, (n * 1234) % 10'000));
        row.push_back(n == 8 ? Value::null() : Value::single(0.125f * n + 0.5f));
        row.push_back(n == 9 ? Value::null() : Value::dbl(n == 1 ? 1e-7 : n == 2 ? 6.02214076e23 : 0.1 * n + 1.0 / 3.0));
        row.push_back(n == 10 ? Value::null() : decimal(n % 3 == 0 ? 700 : n % 3 == 1 ? 1950 : -250, 2));
        row.push_back(Value::boolean(n % 6 == 0));
        if (n == 11) {
            row.push_back(Value::null());
        } else {
            QByteArray code;
            for (int i = 0; i < 8 + n % 9; ++i)
                code.append(static_cast<char>((n * 31 + i * 17) & 0xFF));
            row.push_back(Value::binary(code));
        }
        // Photos: none, small ones kept in the row, one long-value row, a chain of pages.
        if (n % 5 == 0)
            row.push_back(Value::null());
        else if (n % 5 == 1)
            row.push_back(picture(40, n));
        else if (n % 5 == 2)
            row.push_back(picture(1500 + 100 * n, n));
        else if (n % 5 == 3)
            row.push_back(picture(9000 + 1000 * n, n));
        else
            row.push_back(Value::binary(QByteArray()));
        if (n == 3)
            row.push_back(Value::text(longText));
        else if (n == 4)
            row.push_back(Value::null());
        else
            row.push_back(Value::text(QStringLiteral("%1 – house recipe.\r\nServe fresh.").arg(QString::fromUtf8(name))));
        t.rows.push_back(std::move(row));
    }
    return t;
}

TableData orders(int customerCount, int productCount)
{
    TableData t;
    t.name = QStringLiteral("Orders");
    t.columns = {Column::longInt("OrderID"),    Column::longInt("CustomerID"), Column::longInt("ProductID"),
                 Column::integer("Quantity"),   Column::dateTime("OrderDate"), Column::dateTime("ShippedDate"),
                 Column::currency("Total"),     Column::decimal("Discount", 9, 4), Column::boolean("Paid"),
                 Column::memo("Comment")};
    for (int n = 1; n <= 60; ++n) {
        std::vector<Value> row;
        row.push_back(Value::longInt(5000 + n));
        row.push_back(Value::longInt(1 + (n * 7) % customerCount));
        row.push_back(n % 17 == 0 ? Value::null() : Value::longInt(101 + (n * 5) % productCount));
        row.push_back(Value::integer(static_cast<std::int16_t>(n % 10 == 0 ? -2 : 1 + n % 24)));
        const int month = 1 + n % 12;
        const int day = 1 + (n * 3) % 28;
        row.push_back(when(2023, month, day, 9 + n % 8, (n * 11) % 60, (n * 7) % 60));
        row.push_back(n % 4 == 0 ? Value::null() : when(2023, month, day + (day < 25 ? 3 : 0)));
        row.push_back(money(n * 17 % 900, (n * 4321) % 10'000));
        row.push_back(n % 5 == 0 ? Value::null() : decimal(n * 125 % 10'000, 4));
        row.push_back(Value::boolean(n % 3 != 0));
        if (n % 6 == 0)
            row.push_back(text("Deliver to the back door.\r\nRing twice."));
        else if (n % 6 == 1)
            row.push_back(text("Geschenkverpackung, bitte – danke schön!"));
        else
            row.push_back(Value::null());
        t.rows.push_back(std::move(row));
    }
    // The special days a formatter gets wrong: midnight, the zero date, leap day.
    t.rows[0][4] = when(2024, 2, 29);
    t.rows[1][4] = when(1899, 12, 30, 13, 45, 10);
    t.rows[2][4] = when(2000, 1, 1, 23, 59, 59);
    return t;
}

TableData cities()
{
    TableData t;
    t.name = QStringLiteral("Städte und Länder");
    t.columns = {Column::text("Stadt", 60), Column::text("Land", 60), Column::longInt("Einwohner"),
                 Column::dbl("Breite"), Column::dbl("Länge"), Column::boolean("Hauptstadt")};
    struct City {
        const char* city;
        const char* country;
        int population;
        double lat;
        double lon;
        bool capital;
    };
    static const City kCities[] = {
        {"São Paulo", "Brasil", 12325232, -23.5505, -46.6333, false},
        {"München", "Deutschland", 1488202, 48.1374, 11.5755, false},
        {"Zürich", "Schweiz", 421878, 47.3769, 8.5417, false},
        {"Kraków", "Polska", 779115, 50.0647, 19.945, false},
        {"Reykjavík", "Ísland", 131136, 64.1466, -21.9426, true},
        {"Düsseldorf", "Deutschland", 619294, 51.2277, 6.7735, false},
        {"Malmö", "Sverige", 347949, 55.605, 13.0038, false},
        {"Besançon", "France", 116466, 47.2378, 6.0241, false},
        {"Αθήνα", "Ελλάδα", 664046, 37.9838, 23.7275, true},
        {"Київ", "Україна", 2962180, 50.4501, 30.5234, true},
        {"Montréal", "Canada", 1762949, 45.5017, -73.5673, false},
        {"Córdoba", nullptr, 0, 0.0, 0.0, false},
    };
    for (const City& c : kCities) {
        std::vector<Value> row;
        row.push_back(text(c.city));
        row.push_back(c.country ? text(c.country) : Value::null());
        row.push_back(c.population ? Value::longInt(c.population) : Value::null());
        row.push_back(c.country ? Value::dbl(c.lat) : Value::null());
        row.push_back(c.country ? Value::dbl(c.lon) : Value::null());
        row.push_back(Value::boolean(c.capital));
        t.rows.push_back(std::move(row));
    }
    return t;
}

} // namespace

std::vector<TableData> SampleDatabase::tables()
{
    std::vector<TableData> all;
    all.push_back(customers());
    all.push_back(products());
    all.push_back(orders(int(all[0].rows.size()), int(all[1].rows.size())));
    all.push_back(cities());
    return all;
}

bool SampleDatabase::write(const QString& path, QString& error)
{
    return DatabaseWriter::writeTables(path, tables(), error);
}

} // namespace quorvane::mdbwriter
