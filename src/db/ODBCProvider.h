#pragma once

// Can the data-access component be created on this machine? When it cannot because the
// data provider is missing, the user is told why and offered the Microsoft page that
// suits the running Windows.

#include <QString>

namespace quorvane::db {

class UserDialogue;

// Where the Access Database Engine is downloaded from: 2010 for Windows before 10,
// 2016 for Windows 10 and later.
inline const QString kAccessEngine2010Page =
    QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=13255");
inline const QString kAccessEngine2016Page =
    QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=54920");

// The explanation shown when the provider is missing, ending in the Yes/No question.
QString missingProviderGuidance();

// True when the error a creation failed with is the provider-missing error: number 3706,
// or a description containing "provider cannot be found" in any letter case.
bool isMissingProviderError(int number, const QString& description);

// True when an "ADODB.Connection" object can be created through the program's object
// factory. Otherwise false; for the provider-missing error the guidance is shown first and,
// on Yes, the download page opened. Never throws.
bool CheckProvider(UserDialogue& dialogue);

// Opens the download page chosen by the last Windows version reading.
void OpenEngineDownloadPage(UserDialogue& dialogue);

} // namespace quorvane::db
