#include "WinVersion.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>

#include <cstring>
#endif

namespace quorvane::db {

namespace {

std::int16_t g_windowsMajorVersion = 0;

#ifdef Q_OS_WIN
// RtlGetVersion tells the truth where GetVersionEx answers what the manifest claims.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);

std::int16_t readMajorVersion()
{
    OSVERSIONINFOEXW info;
    static_assert(sizeof(info) == 284);
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(::GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
    if (!rtlGetVersion)
        return g_windowsMajorVersion; // cannot be called: the last reading stands
    if (rtlGetVersion(&info) != 0)
        return 0; // a failing status: the record counts as still zero-filled
    return static_cast<std::int16_t>(info.dwMajorVersion);
}
#endif

} // namespace

std::int16_t WindowsMajorVersion()
{
    return g_windowsMajorVersion;
}

void setWindowsMajorVersion(std::int16_t version)
{
    g_windowsMajorVersion = version;
}

void DetectWindowsVersion()
{
#ifdef Q_OS_WIN
    g_windowsMajorVersion = readMajorVersion();
#else
    g_windowsMajorVersion = 0;
#endif
}

} // namespace quorvane::db
