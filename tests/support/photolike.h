#pragma once
// Camera-like test pictures: smooth colour gradients with a few soft shapes and sensor noise.

#include <QImage>

/** A picture of width x height; the same seed gives the same picture. */
QImage PhotoLikeImage(int width, int height, quint32 seed);
