#pragma once
/**
 * Sizing of windows that are built from layouts: the size a window was designed at is its
 * smallest size, and it grows beyond it whenever its content needs more room (a larger font,
 * longer texts), so nothing in it is ever clipped. GUI thread.
 */

#include <QSize>

class QWidget;

/**
 * Sets the window's minimum size to the larger of designed and what its layout needs, and
 * grows the window to at least that size and its size hint (never shrinks it). Call it once
 * the layout is complete; from then on the window is refitted before each showing and
 * whenever its layout needs new room (a font change, longer texts).
 */
void FitToDesignedSize(QWidget* window, const QSize& designed);
