#include "Appearance.h"

#include "SkinFramework.h"

#include "report/RuntimeError.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>

namespace quorvane::app {

namespace {

// Cursor files are small; a bigger one is not worth decoding.
constexpr qint64 kMaxCursorBytes = 1 << 20;
constexpr int kInvalidPicture = 481;

void paintButtonFace(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, systemButtonFace());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

bool takesButtonFace(const QWidget* widget)
{
    return qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QLabel*>(widget)
        || qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget);
}

void applyButtonFace(QWidget& window)
{
    paintButtonFace(&window);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (takesButtonFace(child))
            paintButtonFace(child);
    }
}

quint16 littleEndian16(const QByteArray& bytes, int at)
{
    return quint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
}

} // namespace

QColor systemButtonFace()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void ApplySkin(QWidget& window, SkinFramework& skin, const QString& programFolder)
{
    const QString path = programFolder + QDir::toNativeSeparators(kSkinFileSuffix);
    if (!QFileInfo(path).isFile())
        return;
    applyButtonFace(window);
    skin.LoadSkin(path, QString());
    const int options = skin.ApplyOptions();
    skin.setApplyOptions(options | SkinFramework::kApplyToWindow);
    skin.setHoverHighlight(true);
    skin.setRoundedFrames(true);
    skin.ApplyWindow(&window);
}

void ApplySystemColours(QWidget& window)
{
    applyButtonFace(window);
}

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw report::RuntimeError(report::rte::kPathFileAccess, QStringLiteral("Path/File access error"));
    if (file.size() > kMaxCursorBytes)
        throw report::RuntimeError(kInvalidPicture, QStringLiteral("Invalid picture"));
    const QByteArray bytes = file.readAll();
    // A cursor file: reserved 0, type 2, at least one 16-byte directory entry whose
    // "planes" and "bit count" fields hold the hot spot.
    constexpr int kHeader = 6;
    constexpr int kEntry = 16;
    if (bytes.size() < kHeader + kEntry || littleEndian16(bytes, 0) != 0 || littleEndian16(bytes, 2) != 2
        || littleEndian16(bytes, 4) == 0)
        throw report::RuntimeError(kInvalidPicture, QStringLiteral("Invalid picture"));
    QImage image;
    if (!image.loadFromData(bytes, "CUR") || image.isNull())
        throw report::RuntimeError(kInvalidPicture, QStringLiteral("Invalid picture"));
    int hotX = littleEndian16(bytes, kHeader + 4);
    int hotY = littleEndian16(bytes, kHeader + 6);
    if (hotX >= image.width() || hotY >= image.height())
        hotX = hotY = -1; // outside the picture: let Qt centre it
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

int hoverPointer(int current, bool overButton)
{
    if (current == pointer::kHourglass)
        return current;
    return overButton ? pointer::kCustom : pointer::kDefault;
}

void setBusyPointer(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace quorvane::app
