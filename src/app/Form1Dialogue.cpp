#include "Form1Dialogue.h"

#include "services/UiServices.h"

namespace quorvane::app {

Form1Dialogue::Form1Dialogue(QWidget* owner, MessageBoxes& boxes, BrowserOpener& browser)
    : m_owner(owner), m_boxes(boxes), m_browser(browser)
{
}

bool Form1Dialogue::askYesNo(const QString& text)
{
    return m_boxes.show(m_owner, text, mb::kYesNo | mb::kQuestion, QString()) == mb::kYes;
}

void Form1Dialogue::showMessage(const QString& text)
{
    m_boxes.show(m_owner, text, mb::kOkOnly, QString());
}

void Form1Dialogue::openWebPage(const QString& address)
{
    m_browser.openUrl(address);
}

} // namespace quorvane::app
