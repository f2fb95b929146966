#pragma once

// Shared routines of the program: where the program lives, its name and title, and the
// occasional visit to the maker's home page.

#include <QString>

namespace quorvane::app {

class BrowserOpener;
class RandomSource;

// The product name: the main window's caption, and the base of the application title.
inline const QString kProductName = QStringLiteral("Quorvane");

// The maker's home page (a configuration value: CMake cache variable QUORVANE_HOME_PAGE).
QString homePageAddress();

// The folder of the program's executable, with the platform's separators and no trailing
// separator added or removed. Files beside the program are named by appending a suffix
// such as besideProgram("/x/o.cjs").
QString programFolder();
// Replaces the program folder: for tests that lay out files beside a pretend program.
void setProgramFolder(const QString& folder);
// The program folder followed by `suffix` ("/Samples/sample.mdb"), the separators made native.
QString besideProgram(const QString& suffix);

// The folder that holds the program's data file `suffix` ("/x/o.cjs"): the program folder
// when the file is there (the build tree, a Windows-style install), otherwise the data
// folder of an installed layout (bin/../share/quorvane) when the file is there; the
// program folder when neither holds it.
QString dataFolderFor(const QString& suffix);
// dataFolderFor(suffix) followed by `suffix`, the separators made native.
QString dataFile(const QString& suffix);

// The product name cut at word boundaries: the last word goes, then further words while
// the text is longer than 40 characters. A name without a blank is kept whole.
QString applicationTitleFor(const QString& productName);
// Sets the title message boxes without a title of their own carry.
void SetApplicationTitle();
QString ApplicationTitle();

// The number 1 to 100 that a draw of `r` in [0, 1) gives.
int homePageDraw(double r);
// About one start in a hundred (a draw of 7) opens the maker's home page.
void OpenHomePageOccasionally(RandomSource& random, BrowserOpener& browser);

} // namespace quorvane::app
