#include "QtFolderDialog.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace quorvane::exporter {

QString QtFolderDialog::chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    QString start = initialFolder;
    if (start.isEmpty()) {
        start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    }
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

} // namespace quorvane::exporter
