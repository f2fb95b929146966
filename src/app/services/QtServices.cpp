#include "QtServices.h"

#include "app/Main.h"
#include "export/widgets/QtFolderDialog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QTime>
#include <QUrl>

namespace quorvane::app {

namespace {

constexpr int kButtonMask = 0x7;
constexpr int kIconMask = 0x70;

// Classic answers.
constexpr int kCancel = 2;
constexpr int kAbort = 3;
constexpr int kRetry = 4;
constexpr int kIgnore = 5;

QMessageBox::Icon qtIcon(int icon)
{
    switch (icon) {
    case mb::kCritical:
        return QMessageBox::Critical;
    case mb::kQuestion:
        return QMessageBox::Question;
    case mb::kExclamation:
        return QMessageBox::Warning;
    case mb::kInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons qtButtons(int buttons)
{
    switch (buttons) {
    case 1:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case mb::kYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case 5:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

int classicAnswer(int qtButton)
{
    switch (qtButton) {
    case QMessageBox::Cancel:
        return kCancel;
    case QMessageBox::Abort:
        return kAbort;
    case QMessageBox::Retry:
        return kRetry;
    case QMessageBox::Ignore:
        return kIgnore;
    case QMessageBox::Yes:
        return mb::kYes;
    case QMessageBox::No:
        return mb::kNo;
    default:
        return mb::kOk;
    }
}

} // namespace

MessageBoxStyle splitMessageBoxStyle(int style)
{
    return {style & kButtonMask, style & kIconMask};
}

QString messageBoxDisplayText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

int QtMessageBoxes::show(QWidget* owner, const QString& text, int style, const QString& title)
{
    const MessageBoxStyle parts = splitMessageBoxStyle(style);
    QMessageBox box(qtIcon(parts.icon), title.isEmpty() ? ApplicationTitle() : title, messageBoxDisplayText(text),
                    qtButtons(parts.buttons), owner);
    box.setTextFormat(Qt::PlainText);
    // Closing the box with Escape or its close box counts as its cancelling answer.
    if (parts.buttons == mb::kYesNo)
        box.setEscapeButton(QMessageBox::No);
    const int answer = box.exec();
    if (QAbstractButton* clicked = box.clickedButton())
        return classicAnswer(box.standardButton(clicked));
    return classicAnswer(answer);
}

QString QtFileDialogs::openFile(QWidget* owner, const QString& title, const QString& filter,
                                const QString& initialFolder)
{
    // A filter's description carries its patterns already ("Microsoft Database (*.mdb)");
    // shown with the patterns Qt adds, they would stand there twice.
    return QFileDialog::getOpenFileName(owner, title, initialFolder, filter, nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString QtFileDialogs::chooseFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    return exporter::QtFolderDialog::chooseFolder(owner, title, initialFolder);
}

bool QtBrowserOpener::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

void QtRandomSource::seedFromTime()
{
    // Seconds since midnight, as the classic "Randomize Timer" does.
    m_seed = quint32(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    m_seeded = true;
}

double QtRandomSource::next()
{
    if (!m_seeded)
        seedFromTime();
    QRandomGenerator generator(m_seed);
    const double value = generator.generateDouble();
    // The next draw continues the sequence rather than repeating it.
    m_seed = generator.generate();
    return value;
}

QDateTime QtClock::now() const
{
    return QDateTime::currentDateTime();
}

} // namespace quorvane::app
