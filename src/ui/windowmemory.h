#pragma once
/**
 * The main window's frame on the screen: the remembered normal frame brought back inside the
 * screen's available area, and the designed size used as the least size where the screen has
 * room for it. GUI thread.
 */

#include <QRect>
#include <QSize>

class QWidget;
struct TWindowState;

/** The frame moved, and shrunk only where it is larger than the area, so that it lies inside
 *  the area. An invalid area leaves the frame as it is. */
QRect FitIntoArea(const QRect& frame, const QRect& area);

/** The least size of a window designed at designed on a screen whose available area is
 *  available: the designed size when it fits (leaving room for the frame's decoration),
 *  otherwise none (an empty size: the layouts alone decide). */
QSize DesignedMinimum(const QSize& designed, const QSize& available);

/** The available area of the screen that holds the point (the primary screen when none does). */
QRect AvailableAreaAt(const QPoint& point);

/** Gives a window that is not yet shown the remembered normal frame, fitted into its screen.
 *  Nothing happens when the state has no frame. */
void RestoreNormalFrame(QWidget* window, const TWindowState& state);

/** Sets the designed size as the window's minimum size where its screen has room for it. */
void ApplyDesignedMinimum(QWidget* window, const QSize& designed);
