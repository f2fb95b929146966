#pragma once

// The things the windows ask of the platform, behind interfaces so that tests run
// offscreen and nothing modal or external ever opens in a test. The windows take a
// UiServices; the program passes the real implementations, tests pass recording fakes.

#include <QDateTime>
#include <QString>

class QWidget;

namespace quorvane::app {

// Message-box styles and answers, with the values the classic message box uses.
namespace mb {
constexpr int kOkOnly = 0;
constexpr int kYesNo = 4;
constexpr int kCritical = 16;
constexpr int kQuestion = 32;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
constexpr int kOk = 1;
constexpr int kYes = 6;
constexpr int kNo = 7;
} // namespace mb

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal message box; `style` combines buttons and icon (mb::kYesNo | mb::kQuestion);
    // an empty title means the application title. Returns the button pressed (mb::kOk, ...).
    virtual int show(QWidget* owner, const QString& text, int style, const QString& title) = 0;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // A modal file-open dialog; `filter` is in Qt's form ("Name (*.a *.b);;..."). Empty on cancel.
    virtual QString openFile(QWidget* owner, const QString& title, const QString& filter,
                             const QString& initialFolder) = 0;
    // A modal folder picker preselecting `initialFolder`. Empty on cancel or failure.
    virtual QString chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder) = 0;
};

class BrowserOpener {
public:
    virtual ~BrowserOpener() = default;
    // Opens a web page (or a mailto: address) in the user's browser; false when it could not.
    virtual bool openUrl(const QString& url) = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seedFromTime() = 0;
    // A number in [0, 1).
    virtual double next() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Everything together, as the windows receive it.
struct UiServices {
    MessageBoxes* messageBoxes = nullptr;
    FileDialogs* fileDialogs = nullptr;
    BrowserOpener* browser = nullptr;
    RandomSource* random = nullptr;
    Clock* clock = nullptr;
};

} // namespace quorvane::app
