#pragma once

// The folder picker of the export window: a modal folder dialog over an owner window,
// with a title and a folder to start in, answering the chosen folder's path or, when
// nothing was chosen, the empty text.

#include <QChar>
#include <QString>

class QWidget;

namespace quorvane::app {
class FileDialogs;
}

namespace quorvane::exporter::AddFolder {

// Shows the platform's folder dialog through `dialogs` and returns the chosen folder in
// the platform's own separators: a drive or file-system root keeps its trailing separator,
// any other folder comes without one. Empty when the user cancelled or the dialog failed.
// The initial folder is handed to the dialog, which preselects it.
QString BrowseForFolder(app::FileDialogs& dialogs, QWidget* owner, const QString& title,
                        const QString& initialFolder);

// Collapses the doubled separators that appending one to a chosen folder can leave, in one
// left-to-right pass without overlap (a run of four becomes two). With '\\' as separator a
// path that starts with it is a network path and keeps exactly two leading separators; with
// '/' a leading separator is the file-system root and gets no such treatment.
QString NormalizeFolderPath(const QString& path, QChar separator);

// The same with the platform's separator.
QString NormalizeFolderPath(const QString& path);

} // namespace quorvane::exporter::AddFolder
