#include "WrittenFixture.h"

#include "CryptoTestSupport.h"

#include "mdbwriter/DatabaseWriter.h"
#include "mdbwriter/SampleDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace quorvane::cryptotest {

using mdbwriter::Version;

QByteArray corpusOrWritten(const char* corpusName)
{
    const QString name = QString::fromLatin1(corpusName);
    if (corpusAvailable())
        return corpusFile(name);
    const Version version = name.contains(QLatin1String("V1997")) ? Version::Jet3
        : name.endsWith(QLatin1String(".accdb"))                   ? Version::Ace
                                                                   : Version::Jet4;
    static std::map<Version, QByteArray> written;
    QByteArray& bytes = written[version];
    if (bytes.isEmpty()) {
        mdbwriter::DatabaseOptions options;
        options.version = version;
        std::vector<mdbwriter::TableData> tables;
        for (auto& t : mdbwriter::SampleDatabase::tables()) {
            // Jet 3 text in ASCII alone: tests change a Jet 3 file's code page, which
            // must not change what its tables read.
            if (version == Version::Jet3) {
                auto ascii = [](QString text) {
                    for (QChar& c : text)
                        c = c.unicode() < 0x80 ? c : QLatin1Char('?');
                    return text;
                };
                t.name = ascii(t.name);
                for (auto& column : t.columns)
                    column.name = ascii(column.name);
                for (auto& row : t.rows) {
                    for (db::Value& v : row) {
                        if (v.kind() == db::ValueKind::Text)
                            v = db::Value::text(ascii(v.asText()));
                    }
                }
            }
            tables.push_back(mdbwriter::DatabaseWriter::storable(std::move(t), options));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sample"));
        QString error;
        QFile file(path);
        if (mdbwriter::DatabaseWriter::writeTables(path, tables, error, options) && file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    return bytes;
}

} // namespace quorvane::cryptotest
