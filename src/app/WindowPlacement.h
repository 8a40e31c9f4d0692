#pragma once

#include <QPoint>
#include <QSize>

// Top-left corner that centres a window of `window` size on a screen of `screen` size. The
// division rounds toward zero, so a window larger than the screen starts left of or above
// its edge by half the excess.
inline QPoint CentredOrigin(const QSize& screen, const QSize& window)
{
    return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
}
