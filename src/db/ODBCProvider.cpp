#include "ODBCProvider.h"

#include "Ado.h"
#include "UserDialogue.h"
#include "WinVersion.h"

#include <QStringList>

namespace quorvane::db {

namespace {

// Runs one step of a routine that must never fail: whatever goes wrong in it is dropped
// and the routine carries on with its next step.
template <typename Step>
void ignoringErrors(Step&& step)
{
    try {
        step();
    } catch (...) {
    }
}

} // namespace

QString missingProviderGuidance()
{
    const QStringList texts = {
        QStringLiteral("You got error 3706: Provider cannot be found. It may not be properly installed."),
        QStringLiteral("You are getting this error because:"),
        QStringLiteral("1. Microsoft Access is not installed on Your computer."),
        QStringLiteral("2. Set of components to transfer data is not installed on Your computer."),
        QStringLiteral("You need to install a set of components to transfer data to run this software."),
        QStringLiteral("You can check it in Your MS Office installation"),
        QStringLiteral("Or You need to download and install Microsoft Access Database Engine 2010 or 2016 to "
                       "solve this problem."),
        QStringLiteral("Would you like me to open MicroSoft site to read and download solution?"),
    };
    return texts.join(QStringLiteral("\r\n\r\n"));
}

bool isMissingProviderError(int number, const QString& description)
{
    const bool numberMatches = number == errc::kProviderNotFound;
    const bool textMatches = description.contains(u"provider cannot be found", Qt::CaseInsensitive);
    return numberMatches || textMatches;
}

bool CheckProvider(UserDialogue& dialogue)
{
    int number = 0;
    QString description;
    try {
        std::unique_ptr<Connection> connection = objectFactory().createConnection(kConnectionProgId);
        if (connection)
            return true; // released here, never opened
        return false;
    } catch (const DbException& e) {
        number = e.number();
        description = e.description();
    } catch (const std::exception& e) {
        description = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }

    if (!isMissingProviderError(number, description))
        return false;

    ignoringErrors([] { DetectWindowsVersion(); });
    bool openPage = false;
    ignoringErrors([&] { openPage = dialogue.askYesNo(missingProviderGuidance()); });
    if (openPage)
        ignoringErrors([&] { OpenEngineDownloadPage(dialogue); });
    return false;
}

void OpenEngineDownloadPage(UserDialogue& dialogue)
{
    // The version is signed: a reading that never succeeded (0) counts as an old Windows.
    const QString& page = WindowsMajorVersion() < 10 ? kAccessEngine2010Page : kAccessEngine2016Page;
    dialogue.openWebPage(page);
}

} // namespace quorvane::db
