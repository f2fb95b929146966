#pragma once

// The windows are drawn in twips, as their layout tables give them; Qt's logical pixels
// are 15 twips each. Shared by both windows so they scale and look alike.

#include <QFont>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace quorvane::app {

inline int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

// Arial bold at `points`; Liberation Sans has Arial's metrics, so captions fit their
// boxes as drawn where Arial itself is not installed.
inline QFont arialBold(qreal points)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// Moves a top-level window to the middle of its screen's available area.
inline void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

} // namespace quorvane::app
