#include "ui/windowmemory.h"

#include "task/windowstate.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// Room left for a window manager's title bar and borders around the client area.
constexpr int kDecorationWidth = 16;
constexpr int kDecorationHeight = 48;

} // namespace

QRect FitIntoArea(const QRect& frame, const QRect& area)
{
    if (!area.isValid() || !frame.isValid())
        return frame;
    const int width = qMin(frame.width(), area.width());
    const int height = qMin(frame.height(), area.height());
    const int x = qBound(area.left(), frame.left(), area.left() + area.width() - width);
    const int y = qBound(area.top(), frame.top(), area.top() + area.height() - height);
    return QRect(x, y, width, height);
}

QSize DesignedMinimum(const QSize& designed, const QSize& available)
{
    if (designed.width() + kDecorationWidth <= available.width()
        && designed.height() + kDecorationHeight <= available.height())
        return designed;
    return QSize();
}

QRect AvailableAreaAt(const QPoint& point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void RestoreNormalFrame(QWidget* window, const TWindowState& state)
{
    if (!state.HasGeometry())
        return;
    const QRect frame(state.X, state.Y, state.Width, state.Height);
    // The frame is the client area: room is left for the title bar and borders around it.
    const QRect area = AvailableAreaAt(frame.center())
                           .adjusted(kDecorationWidth / 2, kDecorationHeight - kDecorationWidth / 2,
                                     -kDecorationWidth / 2, -kDecorationWidth / 2);
    const QRect fitted = FitIntoArea(frame, area);
    window->setGeometry(fitted);
}

void ApplyDesignedMinimum(QWidget* window, const QSize& designed)
{
    const QRect area = AvailableAreaAt(window->geometry().center());
    const QSize minimum = DesignedMinimum(designed, area.size());
    if (minimum.isValid())
        window->setMinimumSize(minimum);
}
