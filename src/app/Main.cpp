#include "Main.h"

#include "services/UiServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cmath>

#ifndef QUORVANE_HOME_PAGE
#define QUORVANE_HOME_PAGE "https://www.halvorsk.invalid/"
#endif
// The installed data folder as seen from the installed program folder.
#ifndef QUORVANE_DATA_FROM_PROGRAM
#define QUORVANE_DATA_FROM_PROGRAM "../share/quorvane"
#endif

namespace quorvane::app {

namespace {

constexpr qsizetype kTitleLimit = 40;
constexpr int kHomePageNumber = 7;

QString g_programFolder;
QString g_applicationTitle = kProductName;

} // namespace

QString homePageAddress()
{
    return QStringLiteral(QUORVANE_HOME_PAGE);
}

QString programFolder()
{
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void setProgramFolder(const QString& folder)
{
    g_programFolder = folder;
}

QString besideProgram(const QString& suffix)
{
    return programFolder() + QDir::toNativeSeparators(suffix);
}

QString dataFolderFor(const QString& suffix)
{
    const QString beside = programFolder();
    if (QFileInfo::exists(beside + QDir::toNativeSeparators(suffix)))
        return beside;
    const QString installed = QDir::toNativeSeparators(
        QDir::cleanPath(beside + QLatin1Char('/') + QStringLiteral(QUORVANE_DATA_FROM_PROGRAM)));
    if (QFileInfo::exists(installed + QDir::toNativeSeparators(suffix)))
        return installed;
    return beside;
}

QString dataFile(const QString& suffix)
{
    return dataFolderFor(suffix) + QDir::toNativeSeparators(suffix);
}

QString applicationTitleFor(const QString& productName)
{
    QString title = productName;
    qsizetype blank = title.lastIndexOf(u' ');
    if (blank < 0)
        return title;
    // At least one word always goes, even from a short name.
    do {
        title.truncate(blank);
        blank = title.lastIndexOf(u' ');
    } while (title.size() > kTitleLimit && blank >= 0);
    return title;
}

void SetApplicationTitle()
{
    g_applicationTitle = applicationTitleFor(kProductName);
}

QString ApplicationTitle()
{
    return g_applicationTitle;
}

int homePageDraw(double r)
{
    return static_cast<int>(std::floor(r * 100.0)) + 1;
}

void OpenHomePageOccasionally(RandomSource& random, BrowserOpener& browser)
{
    random.seedFromTime();
    if (homePageDraw(random.next()) == kHomePageNumber)
        browser.openUrl(homePageAddress());
}

} // namespace quorvane::app
