#pragma once

#include <QImage>
#include <QWindow>

#include <cstdint>

// The overlay's first frame, put on its window by the X server itself: the frozen image under the
// veil, with nothing drawn on it yet. Qt would first need a backing store as large as the display,
// and fresh memory of that size costs more than the rest of the capture; Qt's own first paint
// then lands on identical pixels.
namespace VeiledFrame {

// Darkens bytes in place exactly as Qt's raster engine blends black of `alpha` (0-255) over them,
// so the frame Qt paints later does not change a single pixel.
void veil(uint8_t* bytes, qsizetype count, int alpha);

// Puts `image` (Format_RGB32, in the window's device pixels) under a veil of `alpha` on the mapped
// X11 window and returns once the server shows it. False, with nothing drawn, off X11 or when the
// window's format is not one to copy straight into.
bool put(WId window, const QImage& image, int alpha);

} // namespace VeiledFrame
