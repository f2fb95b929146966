#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace quorvane::app {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
// The bits that say who besides the owner may do what; the "user" bits Qt also reports
// only repeat the owner's for the current user.
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

#ifdef Q_OS_WIN
const QString kRegistryKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Halvorsk\\Quorvane");
#endif

} // namespace

QString SettingsStore::defaultIniPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Halvorsk/Quorvane.ini");
}

SettingsStore::SettingsStore()
#ifdef Q_OS_WIN
    : m_settings(std::make_unique<QSettings>(kRegistryKey, QSettings::NativeFormat))
{
}
#else
    : SettingsStore(defaultIniPath())
{
}
#endif

SettingsStore::SettingsStore(const QString& iniPath) : m_iniPath(iniPath)
{
    // The file is created before QSettings first writes it, so it never exists with
    // wider permissions, not even for a moment; QSettings keeps the permissions of the
    // file it replaces.
    createPrivateFile();
    m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::createPrivateFile()
{
    if (QFileInfo::exists(m_iniPath))
        return;
    const QString folder = QFileInfo(m_iniPath).absolutePath();
    if (!QDir().mkpath(folder))
        return;
    QFile file(m_iniPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly))
        file.close();
}

void SettingsStore::keepPrivate()
{
    // A file written by an older version, or copied in by hand, is narrowed on first write.
    QFile file(m_iniPath);
    if (file.exists() && (file.permissions() & kOthers))
        file.setPermissions(kOwnerOnly);
}

void SettingsStore::saveSetting(const QString& key, const QString& text)
{
    if (!m_iniPath.isEmpty())
        createPrivateFile(); // the folder or file may have been removed while we ran
    m_settings->setValue(key, text);
    m_settings->sync();
    if (!m_iniPath.isEmpty())
        keepPrivate();
}

QString SettingsStore::getSetting(const QString& key, const QString& defaultText) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return defaultText;
    // Unquoted commas in a hand-edited file make QSettings read a list; the text the user
    // meant is the items joined again.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

QString SettingsStore::location() const
{
    return m_iniPath.isEmpty() ? m_settings->fileName() : m_iniPath;
}

} // namespace quorvane::app
