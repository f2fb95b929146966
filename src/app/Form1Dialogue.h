#pragma once

// The database layer's questions and notices as message boxes owned by the main window,
// and its web pages opened in the user's browser.

#include "db/UserDialogue.h"

class QWidget;

namespace quorvane::app {

class BrowserOpener;
class MessageBoxes;

class Form1Dialogue : public db::UserDialogue {
public:
    Form1Dialogue(QWidget* owner, MessageBoxes& boxes, BrowserOpener& browser);

    bool askYesNo(const QString& text) override;
    void showMessage(const QString& text) override;
    void openWebPage(const QString& address) override;

private:
    QWidget* m_owner;
    MessageBoxes& m_boxes;
    BrowserOpener& m_browser;
};

} // namespace quorvane::app
