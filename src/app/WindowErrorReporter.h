#pragma once

// The window program's error report: a modal box titled "Application Error" with the
// warning icon and an OK button, owned by whichever of the program's windows is active.

#include "report/ErrorReporter.h"

class QWidget;

namespace quorvane::app {

class MessageBoxes;

class WindowErrorReporter : public report::ErrorReporter {
public:
    // `fallbackOwner` owns the box when none of the program's windows is active (during
    // start-up, before the main window is shown).
    WindowErrorReporter(MessageBoxes& boxes, QWidget* fallbackOwner = nullptr);
    void setFallbackOwner(QWidget* owner) { m_fallbackOwner = owner; }

    void showApplicationError(const report::ApplicationError& error) override;

private:
    MessageBoxes& m_boxes;
    QWidget* m_fallbackOwner;
};

} // namespace quorvane::app
