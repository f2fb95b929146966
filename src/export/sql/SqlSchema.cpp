#include "SqlSchema.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace quorvane::exporter::sql {

namespace {

using db::ColumnType;

// PostgreSQL cuts identifiers at 63 bytes, MySQL refuses more than 64 characters.
constexpr int kMaxNameBytes = 63;

bool isLongText(ColumnType type)
{
    return type == ColumnType::Memo || type == ColumnType::Complex;
}

bool isLongBinary(ColumnType type)
{
    return type == ColumnType::Ole || type == ColumnType::Unknown;
}

// A comment's text on one line whatever the names in it hold.
QString commentText(QString text)
{
    for (QChar& ch : text) {
        if (ch.unicode() < 0x20 || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator)
            ch = QLatin1Char(' ');
    }
    return text;
}

// A name made from others that fits the dialects' limit and is not taken yet; the
// hash keeps two long names that share their start apart.
QString uniqueName(const QString& wanted, QSet<QString>& taken)
{
    QString name = wanted;
    if (name.toUtf8().size() > kMaxNameBytes) {
        const QString tag = QStringLiteral("_%1").arg(qHash(wanted) & 0xFFFFFFFFu, 8, 16, QLatin1Char('0'));
        while (!name.isEmpty() && (name + tag).toUtf8().size() > kMaxNameBytes)
            name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
        name += tag;
    }
    QString candidate = name;
    for (int n = 2; taken.contains(candidate.toLower()); ++n)
        candidate = name.left(kMaxNameBytes / 2) + QStringLiteral("_%1").arg(n);
    taken.insert(candidate.toLower());
    return candidate;
}

const db::SchemaColumn* findColumn(const db::SchemaTable& table, const QString& name)
{
    for (const auto& c : table.columns) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const db::SchemaTable* findTable(const db::DatabaseSchema& schema, const QString& name)
{
    for (const auto& t : schema.tables) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

QString nameList(Dialect dialect, const QStringList& names)
{
    QStringList quoted;
    for (const QString& n : names)
        quoted.append(quoteName(dialect, n));
    return quoted.join(QStringLiteral(", "));
}

bool sameColumns(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (const QString& n : a) {
        if (!b.contains(n, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

// Why a relationship cannot be a foreign key in the target database, or nothing.
QString relationProblem(const db::DatabaseSchema& schema, const db::SchemaRelation& r)
{
    if (!r.enforced)
        return QStringLiteral("not enforced in Access");
    const db::SchemaTable* from = findTable(schema, r.table);
    const db::SchemaTable* to = findTable(schema, r.referencedTable);
    if (!from || !to || r.columns.isEmpty() || r.columns.size() != r.referencedColumns.size())
        return QStringLiteral("its tables or columns are not all there");
    for (const QString& c : r.columns) {
        if (!findColumn(*from, c))
            return QStringLiteral("no column %1 in %2").arg(c, r.table);
    }
    for (const QString& c : r.referencedColumns) {
        if (!findColumn(*to, c))
            return QStringLiteral("no column %1 in %2").arg(c, r.referencedTable);
    }
    // A foreign key must point at a primary key or unique index.
    for (const auto& index : to->indexes) {
        if (index.unique && sameColumns(index.columns, r.referencedColumns))
            return {};
    }
    return QStringLiteral("the referenced columns are not a unique key");
}

QString foreignKeyClause(Dialect dialect, const db::SchemaRelation& r)
{
    QString s = QStringLiteral("FOREIGN KEY (") + nameList(dialect, r.columns) + QStringLiteral(") REFERENCES ")
        + quoteName(dialect, r.referencedTable) + QStringLiteral(" (") + nameList(dialect, r.referencedColumns)
        + QLatin1Char(')');
    if (r.cascadeUpdates)
        s += QStringLiteral(" ON UPDATE CASCADE");
    if (r.cascadeDeletes)
        s += QStringLiteral(" ON DELETE CASCADE");
    return s;
}

QString indexColumn(Dialect dialect, const db::SchemaTable& table, const db::SchemaIndex& index, qsizetype i)
{
    QString s = quoteName(dialect, index.columns[i]);
    // MySQL indexes long text and binary only by a prefix.
    const db::SchemaColumn* column = findColumn(table, index.columns[i]);
    if (dialect == Dialect::Mysql && column && (isLongText(column->type) || isLongBinary(column->type)
                                                || column->hyperlink))
        s += QStringLiteral("(255)");
    if (static_cast<std::size_t>(i) < index.descending.size() && index.descending[static_cast<std::size_t>(i)])
        s += QStringLiteral(" DESC");
    return s;
}

} // namespace

std::optional<Dialect> dialectNamed(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("sqlite"))
        return Dialect::Sqlite;
    if (n == QLatin1String("postgres") || n == QLatin1String("postgresql"))
        return Dialect::Postgres;
    if (n == QLatin1String("mysql"))
        return Dialect::Mysql;
    return std::nullopt;
}

QString quoteName(Dialect dialect, const QString& name)
{
    const QChar quote = dialect == Dialect::Mysql ? QLatin1Char('`') : QLatin1Char('"');
    QString s = name;
    s.replace(quote, QString(2, quote));
    return quote + s + quote;
}

QString columnType(Dialect dialect, const db::SchemaColumn& column, bool leadsPrimaryKey)
{
    const bool sqlite = dialect == Dialect::Sqlite;
    const bool pg = dialect == Dialect::Postgres;
    const QString longText = sqlite || pg ? QStringLiteral("TEXT") : QStringLiteral("LONGTEXT");
    if (column.hyperlink)
        return longText;
    switch (column.type) {
    case ColumnType::Boolean: return QStringLiteral("BOOLEAN");
    case ColumnType::Byte: return pg ? QStringLiteral("SMALLINT") : sqlite ? QStringLiteral("TINYINT")
                                                                          : QStringLiteral("TINYINT UNSIGNED");
    case ColumnType::Integer: return QStringLiteral("SMALLINT");
    case ColumnType::Long:
        if (column.autoNumber && pg)
            return QStringLiteral("INTEGER GENERATED BY DEFAULT AS IDENTITY");
        // MySQL refuses an AUTO_INCREMENT column that does not start a key given in the
        // CREATE TABLE; elsewhere the AutoNumber stays a plain INT.
        if (dialect == Dialect::Mysql)
            return column.autoNumber && leadsPrimaryKey ? QStringLiteral("INT AUTO_INCREMENT") : QStringLiteral("INT");
        return QStringLiteral("INTEGER");
    case ColumnType::BigInt: return QStringLiteral("BIGINT");
    case ColumnType::Float: return sqlite || pg ? QStringLiteral("REAL") : QStringLiteral("FLOAT");
    case ColumnType::Double: return pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("DOUBLE");
    // SQLite keeps the exact decimal as text: a numeric column would make it a double.
    case ColumnType::Money: return sqlite ? QStringLiteral("TEXT") : pg ? QStringLiteral("NUMERIC(19,4)")
                                                                       : QStringLiteral("DECIMAL(19,4)");
    case ColumnType::Numeric: {
        if (sqlite)
            return QStringLiteral("TEXT");
        const int precision = std::clamp(column.precision, 1, 38);
        const int scale = std::clamp(column.scale, 0, precision);
        return QStringLiteral("%1(%2,%3)").arg(pg ? QStringLiteral("NUMERIC") : QStringLiteral("DECIMAL"))
            .arg(precision).arg(scale);
    }
    case ColumnType::ShortDateTime:
        return sqlite ? QStringLiteral("DATETIME") : pg ? QStringLiteral("TIMESTAMP(3)") : QStringLiteral("DATETIME(3)");
    // Ticks of 100 ns: TIMESTAMP and DATETIME keep microseconds and would round the
    // seventh digit, so the exact text (at most 27 characters, years 1 to 9999) is kept,
    // which still sorts as the dates do.
    case ColumnType::ExtDateTime:
        return sqlite ? QStringLiteral("DATETIME") : QStringLiteral("VARCHAR(27)");
    case ColumnType::Text:
        if (column.length <= 0 || column.length > 4000)
            return longText;
        return QStringLiteral("VARCHAR(%1)").arg(column.length);
    case ColumnType::Memo:
    case ColumnType::Complex: return longText;
    case ColumnType::Binary:
        if (sqlite)
            return QStringLiteral("BLOB");
        if (pg)
            return QStringLiteral("BYTEA");
        return column.length > 0 && column.length <= 4000 ? QStringLiteral("VARBINARY(%1)").arg(column.length)
                                                          : QStringLiteral("LONGBLOB");
    case ColumnType::Guid: return pg ? QStringLiteral("UUID") : QStringLiteral("CHAR(38)");
    case ColumnType::Ole:
    case ColumnType::Unknown: break;
    }
    return sqlite ? QStringLiteral("BLOB") : pg ? QStringLiteral("BYTEA") : QStringLiteral("LONGBLOB");
}

std::vector<int> creationOrder(const db::DatabaseSchema& schema)
{
    const int n = static_cast<int>(schema.tables.size());
    QHash<QString, int> position;
    for (int i = 0; i < n; ++i)
        position.insert(schema.tables[static_cast<std::size_t>(i)].name, i);
    std::vector<std::vector<int>> needs(static_cast<std::size_t>(n));
    for (const auto& r : schema.relations) {
        if (!relationProblem(schema, r).isEmpty())
            continue;
        const int from = position.value(r.table, -1);
        const int to = position.value(r.referencedTable, -1);
        if (from >= 0 && to >= 0 && from != to)
            needs[static_cast<std::size_t>(from)].push_back(to);
    }
    // Repeatedly the first table, in the given order, whose referenced tables are all
    // placed; when only a cycle is left, its first table.
    std::vector<int> order;
    std::vector<bool> placed(static_cast<std::size_t>(n), false);
    while (static_cast<int>(order.size()) < n) {
        int next = -1;
        for (int i = 0; i < n && next < 0; ++i) {
            if (placed[static_cast<std::size_t>(i)])
                continue;
            const auto& deps = needs[static_cast<std::size_t>(i)];
            if (std::all_of(deps.begin(), deps.end(), [&](int d) { return placed[static_cast<std::size_t>(d)]; }))
                next = i;
        }
        for (int i = 0; i < n && next < 0; ++i) {
            if (!placed[static_cast<std::size_t>(i)])
                next = i;
        }
        placed[static_cast<std::size_t>(next)] = true;
        order.push_back(next);
    }
    return order;
}

SchemaScript schemaScript(Dialect dialect, const db::DatabaseSchema& schema)
{
    SchemaScript script;
    QString& out = script.tables;
    QStringList afterTables;
    QSet<QString> created;
    QSet<QString> indexNames;
    for (const int i : creationOrder(schema)) {
        const db::SchemaTable& table = schema.tables[static_cast<std::size_t>(i)];
        QString keyStart;
        for (const auto& index : table.indexes) {
            if (index.primary && !index.columns.isEmpty())
                keyStart = index.columns.front();
        }
        QStringList lines;
        for (const auto& c : table.columns) {
            const bool leadsKey = !keyStart.isEmpty() && c.name.compare(keyStart, Qt::CaseInsensitive) == 0;
            QString line = QStringLiteral("    ") + quoteName(dialect, c.name) + QLatin1Char(' ')
                + columnType(dialect, c, leadsKey);
            if (c.required)
                line += QStringLiteral(" NOT NULL");
            lines.append(line);
        }
        for (const auto& index : table.indexes) {
            if (index.primary)
                lines.append(QStringLiteral("    PRIMARY KEY (") + nameList(dialect, index.columns) + QLatin1Char(')'));
        }
        for (const auto& r : schema.relations) {
            if (r.table != table.name || !relationProblem(schema, r).isEmpty())
                continue;
            // SQLite checks a foreign key only when rows change, so it may name a table
            // created later; the others need the table there, or ALTER TABLE afterwards.
            if (dialect == Dialect::Sqlite || r.referencedTable == table.name || created.contains(r.referencedTable))
                lines.append(QStringLiteral("    ") + foreignKeyClause(dialect, r));
            else
                afterTables.append(QStringLiteral("ALTER TABLE ") + quoteName(dialect, table.name)
                                   + QStringLiteral(" ADD ") + foreignKeyClause(dialect, r) + QStringLiteral(";\n"));
        }
        out += QStringLiteral("CREATE TABLE ") + quoteName(dialect, table.name) + QStringLiteral(" (\n")
            + lines.join(QStringLiteral(",\n")) + QStringLiteral("\n)");
        if (dialect == Dialect::Mysql)
            out += QStringLiteral(" CHARACTER SET utf8mb4");
        out += QStringLiteral(";\n");
        if (table.indexesUnreadable)
            out += QStringLiteral("-- the index definitions of ") + commentText(table.name)
                + QStringLiteral(" are damaged: none are given\n");
        created.insert(table.name);

        for (const auto& index : table.indexes) {
            if (index.primary)
                continue;
            // SQLite and PostgreSQL name indexes across the whole database.
            QSet<QString> perTable;
            const QString name = dialect == Dialect::Mysql ? uniqueName(index.name, perTable)
                                                           : uniqueName(table.name + QLatin1Char('_') + index.name,
                                                                        indexNames);
            QStringList columns;
            for (qsizetype k = 0; k < index.columns.size(); ++k)
                columns.append(indexColumn(dialect, table, index, k));
            script.indexes += (index.unique ? QStringLiteral("CREATE UNIQUE INDEX ") : QStringLiteral("CREATE INDEX "))
                + quoteName(dialect, name) + QStringLiteral(" ON ") + quoteName(dialect, table.name)
                + QStringLiteral(" (") + columns.join(QStringLiteral(", ")) + QStringLiteral(");\n");
        }
        out += QLatin1Char('\n');
    }
    script.after = afterTables.join(QString());
    for (const auto& r : schema.relations) {
        const QString problem = relationProblem(schema, r);
        if (!problem.isEmpty())
            script.after += commentText(QStringLiteral("-- relationship %1 (%2.%3 -> %4.%5) left out: %6")
                                            .arg(r.name, r.table, r.columns.join(QLatin1Char(',')), r.referencedTable,
                                                 r.referencedColumns.join(QLatin1Char(',')), problem))
                + QLatin1Char('\n');
    }
    return script;
}

QString schemaSql(Dialect dialect, const db::DatabaseSchema& schema)
{
    const SchemaScript script = schemaScript(dialect, schema);
    QString out = script.tables;
    if (!script.indexes.isEmpty())
        out += script.indexes + QLatin1Char('\n');
    return out + script.after;
}

QString insertSql(Dialect dialect, const db::SchemaTable& table, int rows)
{
    QStringList names;
    QStringList marks;
    for (const auto& c : table.columns) {
        names.append(quoteName(dialect, c.name));
        marks.append(QStringLiteral("?"));
    }
    const QString row = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    QStringList values;
    for (int r = 0; r < std::max(rows, 1); ++r)
        values.append(row);
    return QStringLiteral("INSERT INTO ") + quoteName(dialect, table.name) + QStringLiteral(" (")
        + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ") + values.join(QStringLiteral(", "));
}

} // namespace quorvane::exporter::sql
