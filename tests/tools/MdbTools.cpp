#include "MdbTools.h"

#include <QDate>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace quorvane::mdbwriter::testing {

using db::ColumnType;
using db::Value;

namespace {

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(program), arguments);
    if (!process.waitForFinished(600'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// mdb-export's CSV: fields separated by commas, text between double quotes with inner
// quotes doubled and line breaks kept, records ended by a line feed.
std::vector<QStringList> parseCsv(const QString& text)
{
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\n') {
            record << field;
            field.clear();
            records.push_back(record);
            record.clear();
        } else {
            field += c;
        }
    }
    return records;
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString currencyText(std::int64_t scaled)
{
    const bool negative = scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(scaled) : std::uint64_t(scaled);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 10'000)
        .arg(magnitude % 10'000, 4, 10, QLatin1Char('0'));
}

QString dateText(double days)
{
    const double whole = std::floor(days);
    qint64 seconds = std::llround((days - whole) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds == 86400) {
        date = date.addDays(1);
        seconds = 0;
    }
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

bool haveMdbTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("mdb-tables")).isEmpty();
}

QStringList mdbTables(const QString& file)
{
    const QString out = QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file}));
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::vector<QStringList> mdbExport(const QString& file, const QString& table)
{
    const QByteArray out = run(QStringLiteral("mdb-export"),
                               {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), QStringLiteral("-b"),
                                QStringLiteral("hex"), file, table});
    return parseCsv(QString::fromUtf8(out));
}

bool matchesMdbExport(const Column& column, const Value& value, const QString& printed, QString& why)
{
    QString expected;
    if (value.isNull()) {
        expected = column.type == ColumnType::Boolean ? QStringLiteral("0") : QString();
    } else {
        switch (column.type) {
        case ColumnType::Text:
        case ColumnType::Memo: expected = value.asText(); break;
        case ColumnType::Byte: expected = QString::number(value.asByte()); break;
        case ColumnType::Integer: expected = QString::number(value.asInteger()); break;
        case ColumnType::Long: expected = QString::number(value.asLong()); break;
        case ColumnType::Money: expected = currencyText(value.asCurrency().scaled); break;
        case ColumnType::Numeric: expected = value.asDecimal().toString(false); break;
        case ColumnType::ShortDateTime: expected = dateText(value.asDateTime().days); break;
        case ColumnType::Boolean: expected = value.asBoolean() ? QStringLiteral("1") : QStringLiteral("0"); break;
        case ColumnType::Binary: {
            // mdbtools handles a binary column as a C string: it ends at the first zero.
            const QByteArray& bytes = value.asBinary();
            expected = hex(bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
            break;
        }
        case ColumnType::Ole: expected = hex(value.asBinary()); break;
        case ColumnType::Guid:
            // mdbtools leaves out the dash between the fourth and fifth groups, and with
            // binary data printed in hex it prints the text of the GUID in hex too.
            expected = value.asGuid().toString();
            expected.remove(24, 1);
            expected = hex(expected.toLatin1());
            break;
        case ColumnType::Float: {
            bool ok = false;
            const float got = printed.toFloat(&ok);
            if (ok && got == value.asSingle())
                return true;
            why = QStringLiteral("single %1 printed as %2").arg(double(value.asSingle())).arg(printed);
            return false;
        }
        case ColumnType::Double: {
            bool ok = false;
            const double got = printed.toDouble(&ok);
            const double want = value.asDouble();
            if (ok && std::abs(got - want) <= 1e-15 * std::abs(want))
                return true;
            why = QStringLiteral("double %1 printed as %2").arg(want, 0, 'g', 17).arg(printed);
            return false;
        }
        default: why = QStringLiteral("unexpected column kind"); return false;
        }
    }
    if (printed == expected)
        return true;
    why = QStringLiteral("expected %1 characters \"%2\", mdb-export printed %3 \"%4\"")
              .arg(expected.size())
              .arg(expected.left(200))
              .arg(printed.size())
              .arg(printed.left(200));
    return false;
}

} // namespace quorvane::mdbwriter::testing
