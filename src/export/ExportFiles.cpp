#include "ExportFiles.h"

#include <QDir>
#include <QFileInfo>

namespace quorvane::exporter {

namespace {

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
#else
    return c == QLatin1Char('/');
#endif
}

} // namespace

bool FolderExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(path).isDir();
}

QString outputFilePath(const QString& folder, const QString& fileName)
{
    if (!folder.isEmpty() && isSeparator(folder.back()))
        return folder + fileName;
    return folder + QDir::separator() + fileName;
}

QString tableFileName(const QString& tableName, const QString& extension)
{
    if (tableName.isEmpty() || tableName == QLatin1String(".") || tableName == QLatin1String(".."))
        return {};
    for (QChar c : tableName) {
        // Both separators everywhere: a name that means a sub-folder on one system
        // would do the same when the files are copied to the other.
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return {};
    }
    return tableName + extension;
}

} // namespace quorvane::exporter
