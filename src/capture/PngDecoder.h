#pragma once

#include <QByteArray>
#include <QRgb>
#include <QSize>

#include <functional>

// A fast reader for the PNGs screenshot portals hand over: 8 bits per channel, RGB or RGBA, not
// interlaced. ISA-L inflates many times faster than zlib, which is most of the time Qt's reader
// takes on a whole layout, and rows go to the caller as they come, so no image of the whole
// layout need exist.
namespace PngDecoder {

// Calls `begin` once with the image's size (false stops the reading), then `row` for every row
// from the top, as ARGB32 that is not premultiplied (opaque for RGB). false for other kinds of PNG
// (the caller may use Qt's reader) and for damaged data, possibly after some rows.
bool read(const QByteArray& png, const std::function<bool(QSize)>& begin,
          const std::function<void(int y, const QRgb* row)>& row);

} // namespace PngDecoder
