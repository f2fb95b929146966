#pragma once

// Helpers shared by the tests that read the corpus of real Access files.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << s.toStdString();
}

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

} // namespace quorvane::test
