#pragma once

// What the database layer asks of the user: a question, a notice, a web page. The
// windows implement it with message boxes owned by the main window and the user's
// browser; tests implement it with a recorder. Keeps this layer free of widgets.

#include <QString>

namespace quorvane::db {

class UserDialogue {
public:
    virtual ~UserDialogue() = default;
    // A modal question with Yes and No and the question icon, under the application title.
    // True for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A modal notice with only OK and no icon, under the application title.
    virtual void showMessage(const QString& text) = 0;
    // Opens `address` in the user's web browser and returns at once; failures go unnoticed.
    virtual void openWebPage(const QString& address) = 0;
};

} // namespace quorvane::db
