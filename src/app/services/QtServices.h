#pragma once

// The real platform services behind UiServices: Qt's message box, file dialogs, the
// user's browser, a random generator and the system clock.

#include "UiServices.h"

namespace quorvane::app {

class QtMessageBoxes : public MessageBoxes {
public:
    int show(QWidget* owner, const QString& text, int style, const QString& title) override;
};

class QtFileDialogs : public FileDialogs {
public:
    QString openFile(QWidget* owner, const QString& title, const QString& filter,
                     const QString& initialFolder) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder) override;
};

class QtBrowserOpener : public BrowserOpener {
public:
    bool openUrl(const QString& url) override;
};

class QtRandomSource : public RandomSource {
public:
    void seedFromTime() override;
    double next() override;

private:
    quint32 m_seed = 0;
    bool m_seeded = false;
};

class QtClock : public Clock {
public:
    QDateTime now() const override;
};

// The text a message box shows for `text`: carriage returns, alone or before a line feed,
// become line breaks, as the classic message box shows them.
QString messageBoxDisplayText(const QString& text);

// The classic style's button set and icon, and the answer for a Qt button.
struct MessageBoxStyle {
    int buttons = 0; // mb::kOkOnly, mb::kYesNo, ... (style & 7)
    int icon = 0;    // 0, mb::kCritical, mb::kQuestion, mb::kExclamation, mb::kInformation
};
MessageBoxStyle splitMessageBoxStyle(int style);

} // namespace quorvane::app
