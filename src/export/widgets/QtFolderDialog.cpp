#include "QtFolderDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorvane::exporter {

QString desktopOrHome(QString desktop, QString home)
{
    if (desktop.isEmpty())
        desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    if (home.isEmpty())
        home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    return home;
}

QString QtFolderDialog::chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    QString start = initialFolder;
    if (start.isEmpty()) {
        start = desktopOrHome();
    }
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

} // namespace quorvane::exporter
