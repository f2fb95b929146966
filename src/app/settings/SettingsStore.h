#pragma once

// The per-user store of remembered values: one text per key, under the application
// "Halvorsk" and the section "Quorvane". Every value is written the moment it is saved;
// the file is read once, when the store is created.
//
// On Windows the values live where programs of this kind have always kept them
// (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Halvorsk\Quorvane), so values
// stored by earlier versions carry over. Elsewhere they live in an INI file,
// $XDG_CONFIG_HOME/Halvorsk/Quorvane.ini, with the keys at its top level. The database
// password is among the values, so that file is kept readable by its owner only.

#include <QString>

#include <memory>

class QSettings;

namespace quorvane::app {

// The keys in use, spelled as they are stored.
namespace keys {
inline const QString kDatabase = QStringLiteral("Database");
inline const QString kPassword = QStringLiteral("Password");
inline const QString kOutputFolder = QStringLiteral("Output Folder");
inline const QString kSeparatedBy = QStringLiteral("Separated By");
inline const QString kFirstLineFieldNames = QStringLiteral("First Line Field Names");
inline const QString kCheck1 = QStringLiteral("Check1");
inline const QString kOption1 = QStringLiteral("Option1");
inline const QString kOption2 = QStringLiteral("Option2");
} // namespace keys

class SettingsStore {
public:
    // The user's own store (registry key on Windows, INI file elsewhere).
    SettingsStore();
    // An INI file at `iniPath`, whatever the platform: for tests and tools.
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Creates or overwrites the value and writes it out at once. Failures to write are
    // not reported: the callers have nothing to do about them.
    void saveSetting(const QString& key, const QString& text);
    // The stored text, or `defaultText` when the key was never written. A key that holds
    // an empty text reads back as the empty text.
    QString getSetting(const QString& key, const QString& defaultText = QString()) const;

    // Where the values live: the INI file's path, or the registry key's path on Windows.
    QString location() const;

    // The INI file the user's store uses off Windows: the generic configuration folder
    // (XDG_CONFIG_HOME, default ~/.config) followed by "/Halvorsk/Quorvane.ini".
    static QString defaultIniPath();

private:
    void createPrivateFile();
    void keepPrivate();

    std::unique_ptr<QSettings> m_settings;
    QString m_iniPath; // empty for the registry
};

} // namespace quorvane::app
