#include "FileExists.h"

#include <QFileInfo>

namespace quorvane::db {

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

} // namespace quorvane::db
