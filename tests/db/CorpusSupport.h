#pragma once

// Helpers shared by the tests that read the corpus of real Access files.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "../support/QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>


namespace quorvane::test {

inline QString corpusDir()
{
    return QStringLiteral(QUORVANE_CORPUS_DIR);
}

inline bool haveCorpus()
{
    return QDir(corpusDir() + QStringLiteral("/files")).exists();
}

inline QString corpusFile(const QString& name)
{
    return corpusDir() + QStringLiteral("/files/") + name;
}

inline QStringList corpusFiles()
{
    if (!haveCorpus())
        return {};
    return QDir(corpusDir() + QStringLiteral("/files")).entryList(QDir::Files, QDir::Name);
}

// File name -> password, from passwords.tsv.
inline QHash<QString, QString> corpusPasswords()
{
    QHash<QString, QString> out;
    QFile f(corpusDir() + QStringLiteral("/passwords.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int tab = line.indexOf('\t');
        if (tab > 0)
            out.insert(QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)).trimmed());
    }
    return out;
}

// GoogleTest parameter names allow only [A-Za-z0-9_].
inline std::string testNameOf(const QString& file)
{
    std::string out;
    for (QChar ch : file)
        out += ch.isLetterOrNumber() && ch.unicode() < 128 ? static_cast<char>(ch.unicode()) : '_';
    return out;
}

// "1995.50" and "1995.5" are the same number; "-0" is "0".
inline QString canonicalDecimal(QString s)
{
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

// One local table of an expected dump: its columns with their type names, and its rows as
// the independent reader wrote them. Linked tables are left out.
struct ExpectedTable {
    QString name;
    QStringList columns;
    QStringList types;
    std::vector<QJsonArray> rows;
};

inline std::vector<ExpectedTable> readExpected(const QString& path)
{
    std::vector<ExpectedTable> tables;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return tables;
    bool skipping = false;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (doc.isObject()) {
            const QJsonObject o = doc.object();
            skipping = o.value(QStringLiteral("linked")).toBool();
            if (skipping)
                continue;
            ExpectedTable t;
            t.name = o.value(QStringLiteral("table")).toString();
            for (const auto& c : o.value(QStringLiteral("columns")).toArray()) {
                t.columns.append(c.toArray().at(0).toString());
                t.types.append(c.toArray().at(1).toString());
            }
            tables.push_back(std::move(t));
        } else if (doc.isArray() && !skipping && !tables.empty()) {
            tables.back().rows.push_back(doc.array());
        }
    }
    return tables;
}

} // namespace quorvane::test
