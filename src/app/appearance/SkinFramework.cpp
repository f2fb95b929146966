#include "SkinFramework.h"

#include "report/RuntimeError.h"

#include <QFile>
#include <QVariant>
#include <QWidget>

namespace quorvane::app {

namespace {
// A skin file is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxSkinBytes = 1 << 20;
} // namespace

void SkinFramework::LoadSkin(const QString& path, const QString& /*iniName*/)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw report::RuntimeError(report::rte::kPathFileAccess, QStringLiteral("Path/File access error"));
    if (file.size() > kMaxSkinBytes)
        throw report::RuntimeError(report::rte::kOutOfMemory, QStringLiteral("Out of memory"));
    m_styleSheet = QString::fromUtf8(file.readAll());
}

void SkinFramework::ApplyWindow(QWidget* window) const
{
    if (!window)
        throw report::RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
    if (!(m_applyOptions & kApplyToWindow))
        return;
    // The switches are set before the sheet so its rules see them when it polishes.
    window->setProperty("skinHover", m_hoverHighlight);
    window->setProperty("skinRounded", m_roundedFrames);
    window->setStyleSheet(m_styleSheet);
}

} // namespace quorvane::app
