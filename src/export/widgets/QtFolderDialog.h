#pragma once

#include <QString>

class QWidget;

namespace quorvane::exporter {

// The real folder dialog behind FileDialogs::chooseFolder: Qt's file dialog in directory
// mode, showing folders only, modal to the owner. Only folders of the file system can be
// confirmed. An empty initial folder starts at the user's Desktop, the top of the tree the
// classic folder browser shows, or at the home folder where there is no Desktop folder. Returns the chosen folder (a root keeps its trailing
// separator, other folders come without one) or the empty text when cancelled.
class QtFolderDialog {
public:
    static QString chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder);
};

// `desktop` where that folder exists, otherwise `home`. Servers and minimal desktops have
// no Desktop folder, and a default output folder that does not exist fails the first
// export. An empty `desktop` or `home` means the user's own.
QString desktopOrHome(QString desktop = QString(), QString home = QString());

} // namespace quorvane::exporter
