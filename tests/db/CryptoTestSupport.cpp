#include "CryptoTestSupport.h"

#include <QDir>
#include <QFile>

#include <cstring>

namespace quorvane::cryptotest {

QString corpusFilesDir()
{
    return QStringLiteral(QUORVANE_CORPUS_DIR "/files");
}

bool corpusAvailable()
{
    return QDir(corpusFilesDir()).exists();
}

QByteArray corpusFile(const QString& name)
{
    QFile file(corpusFilesDir() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

int pageSizeOf(const QByteArray& file)
{
    return file.size() > 0x14 && file[0x14] == 0 ? 2048 : 4096;
}

std::span<const std::uint8_t> pageOf(const QByteArray& file, std::uint32_t pageNumber)
{
    const auto size = static_cast<std::size_t>(pageSizeOf(file));
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.constData());
    return {data + pageNumber * size, size};
}

bool looksLikePage(std::span<const std::uint8_t> page, std::uint32_t pageCount)
{
    if (page.size() < 8 || page[0] < 1 || page[0] > 9 || page[1] != 0x01)
        return false;
    const std::uint32_t pointer = page[4] | (page[5] << 8) | (page[6] << 16) | (static_cast<std::uint32_t>(page[7]) << 24);
    if (page[0] == 0x01) // data page: owning table definition, or a long-value page
        return pointer < pageCount || std::memcmp(page.data() + 4, "LVAL", 4) == 0;
    if (page[0] == 0x02) // table definition: the next page of the definition, or 0
        return pointer < pageCount;
    return true;
}

} // namespace quorvane::cryptotest
