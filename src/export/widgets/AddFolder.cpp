#include "AddFolder.h"

#include "app/services/UiServices.h"

#include <QDir>

namespace quorvane::exporter::AddFolder {

namespace {

QString collapseDoubled(const QString& path, QChar separator)
{
    const QString doubled(2, separator);
    QString result = path;
    // QString::replace scans once from the left and does not look at what it inserted.
    result.replace(doubled, QString(separator));
    return result;
}

} // namespace

QString BrowseForFolder(app::FileDialogs& dialogs, QWidget* owner, const QString& title,
                        const QString& initialFolder)
{
    const QString chosen = dialogs.chooseFolder(owner, title, initialFolder);
    if (chosen.isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(chosen);
}

QString NormalizeFolderPath(const QString& path, QChar separator)
{
    if (separator != QLatin1Char('\\') || !path.startsWith(separator)) {
        return collapseDoubled(path, separator);
    }
    // A network path (\\server\share\...): however many backslashes lead, keep two.
    qsizetype first = 1;
    while (first < path.size() && path.at(first) == separator) {
        ++first;
    }
    return QString(2, separator) + collapseDoubled(path.mid(first), separator);
}

QString NormalizeFolderPath(const QString& path)
{
    return NormalizeFolderPath(path, QDir::separator());
}

} // namespace quorvane::exporter::AddFolder
