#include "ConnectionString.h"

namespace quorvane::db {

QString quoteConnectionValue(const QString& value)
{
    const bool blanksAtEnds = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool hasDouble = value.contains(QLatin1Char('"'));
    const bool hasSingle = value.contains(QLatin1Char('\''));
    if (!value.contains(QLatin1Char(';')) && !hasDouble && !hasSingle && !blanksAtEnds)
        return value;
    // Prefer the quote character the value lacks; with both, double the double quotes.
    if (!hasDouble)
        return QLatin1Char('"') + value + QLatin1Char('"');
    if (!hasSingle)
        return QLatin1Char('\'') + value + QLatin1Char('\'');
    QString doubled = value;
    doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString BuildConnectionString(const ConnectionInputs& inputs)
{
    const QString path = inputs.databasePath();
    const QString password = inputs.databasePassword();
    const QString tail = path.right(5).toLower();
    const bool ace = tail == QLatin1String("accdb");
    const QString head = ace ? QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=")
                             : QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
    return head + quoteConnectionValue(path) + QStringLiteral(";JET OLEDB:Database Password=")
           + quoteConnectionValue(password);
}

namespace {

DbError malformedConnectionString()
{
    return {errc::kWrongArguments,
            QStringLiteral("The connection string is malformed: it must be key=value pairs separated by ';', "
                           "values optionally quoted.")};
}

bool isProviderKnown(const QString& provider)
{
    const QString p = provider.trimmed();
    return p.compare(QLatin1String("Microsoft.Jet.OLEDB.4.0"), Qt::CaseInsensitive) == 0
           || p.compare(QLatin1String("Microsoft.ACE.OLEDB.12.0"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<ConnectionSettings> parseConnectionString(const QString& text, DbError& error)
{
    ConnectionSettings settings;
    bool haveProvider = false;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Key: up to '=' ("==" stands for a literal '=' in a key).
        QString key;
        while (i < n && text[i] != QLatin1Char(';')) {
            if (text[i] == QLatin1Char('=')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('=')) {
                    key += QLatin1Char('=');
                    i += 2;
                    continue;
                }
                break;
            }
            key += text[i++];
        }
        key = key.trimmed();
        if (i >= n || text[i] == QLatin1Char(';')) {
            // A piece without '=': empty pieces are allowed, others are malformed.
            if (!key.isEmpty()) {
                error = malformedConnectionString();
                return std::nullopt;
            }
            ++i;
            continue;
        }
        ++i; // '='
        while (i < n && text[i].isSpace() && text[i] != QLatin1Char(';'))
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            bool closed = false;
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            while (i < n && text[i].isSpace())
                ++i;
            if (!closed || (i < n && text[i] != QLatin1Char(';'))) {
                error = malformedConnectionString();
                return std::nullopt;
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
            value = text.mid(start, i - start).trimmed();
        }
        ++i; // ';' or end

        if (key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0) {
            settings.provider = value;
            haveProvider = true;
        } else if (key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0) {
            settings.dataSource = value;
        } else if (key.compare(QLatin1String("Jet OLEDB:Database Password"), Qt::CaseInsensitive) == 0) {
            settings.password = value;
        }
    }
    if (!haveProvider || !isProviderKnown(settings.provider)) {
        error = DbError::providerNotFound();
        return std::nullopt;
    }
    return settings;
}

} // namespace quorvane::db
