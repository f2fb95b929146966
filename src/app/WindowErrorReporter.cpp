#include "WindowErrorReporter.h"

#include "services/UiServices.h"

#include <QApplication>
#include <QWidget>

namespace quorvane::app {

WindowErrorReporter::WindowErrorReporter(MessageBoxes& boxes, QWidget* fallbackOwner)
    : m_boxes(boxes), m_fallbackOwner(fallbackOwner)
{
}

void WindowErrorReporter::showApplicationError(const report::ApplicationError& error)
{
    QWidget* owner = QApplication::activeWindow();
    if (!owner)
        owner = m_fallbackOwner;
    try {
        m_boxes.show(owner, error.message, mb::kOkOnly | mb::kExclamation, report::kApplicationErrorTitle);
    } catch (...) {
        // A report that cannot be shown must not turn into a second error.
    }
}

} // namespace quorvane::app
