#pragma once

// How the windows look: the skin of the main window, the system colours, the hand
// pointer over push buttons and the busy pointer during an export.

#include <QCursor>
#include <QString>

class QWidget;

namespace quorvane::app {

class SkinFramework;

// A window's pointer setting.
namespace pointer {
constexpr int kDefault = 0;
constexpr int kHourglass = 11;
constexpr int kCustom = 99;
} // namespace pointer

// The skin file and the hand pointer, beside the program.
inline const QString kSkinFileSuffix = QStringLiteral("/x/o.cjs");
inline const QString kHandPointerSuffix = QStringLiteral("/HAND-M.CUR");

// The platform's button-face colour, which windows and their frames take as background.
QColor systemButtonFace();

// Gives `window` the system colours and the skin, when the skin file (programFolder +
// "/x/o.cjs", a file, not a folder) exists; otherwise does nothing. The window and its
// frames, labels, check boxes and option buttons take the button-face colour; text boxes
// and push buttons keep theirs. Errors (a skin that cannot be read) pass to the caller,
// with the colours already set left in place.
void ApplySkin(QWidget& window, SkinFramework& skin, const QString& programFolder);

// The window and its frames, labels, check boxes and option buttons take the button-face
// colour, skin or not.
void ApplySystemColours(QWidget& window);

// A Windows cursor file as a pointer, with the hot spot it records. Raises
// report::RuntimeError when the file cannot be read or holds no picture.
QCursor loadCursorFile(const QString& path);

// The hover rule: the setting a window takes when the mouse moves over a push button
// (`overButton`) or over its background, a frame, a text box or a list. The hourglass is
// never replaced.
int hoverPointer(int current, bool overButton);

// Shows the busy pointer over the whole program while `busy`, for work that holds the
// user-interface thread; calls nest.
void setBusyPointer(bool busy);

} // namespace quorvane::app
