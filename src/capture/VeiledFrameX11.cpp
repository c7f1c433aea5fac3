#include "capture/VeiledFrame.h"
#include "platform/X11.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace VeiledFrame {

namespace {
// Small enough that the request buffers on both sides stay warm between captures.
constexpr size_t bandBytes = 256 << 10;
} // namespace

bool put(WId id, const QImage& image, int alpha) {
    xcb_connection_t* c = X11::connection();
    const auto window = xcb_window_t(id);
    if (!c || window == XCB_WINDOW_NONE || image.format() != QImage::Format_RGB32 || image.isNull())
        return false;
    X11::Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    // Depth 24 only: a 32-bit window would take the unused byte as its alpha.
    if (!geometry || geometry->depth != 24 || !X11::isXrgb32(c, geometry->depth))
        return false;

    const int width = std::min<int>(image.width(), geometry->width);
    const int height = std::min<int>(image.height(), geometry->height);
    const size_t stride = size_t(width) * 4;
    const size_t requestLimit = size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
    if (stride > requestLimit)
        return false;
    const int bandRows = int(std::max<size_t>(1, std::min(bandBytes, requestLimit) / stride));

    std::vector<uint8_t> band(stride * size_t(bandRows));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    for (int y = 0; y < height; y += bandRows) {
        const int rows = std::min(bandRows, height - y);
        for (int r = 0; r < rows; ++r)
            std::memcpy(band.data() + size_t(r) * stride, image.constScanLine(y + r), stride);
        veil(band.data(), qsizetype(stride) * rows, alpha);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, uint16_t(width), uint16_t(rows), 0,
                      int16_t(y), 0, 24, uint32_t(stride * size_t(rows)), band.data());
    }
    xcb_free_gc(c, gc);
    X11::sync();
    return true;
}

} // namespace VeiledFrame
