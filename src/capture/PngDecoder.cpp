#include "capture/PngDecoder.h"

#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <isa-l/igzip_lib.h>
#include <vector>

namespace PngDecoder {

namespace {

constexpr char signature[] = "\x89PNG\r\n\x1a\n";
constexpr int colourRgb = 2, colourRgba = 6;
// Well past any desktop's layout, and short of what QImage can hold.
constexpr qint64 maxPixels = qint64(1) << 28;

uint8_t paeth(int left, int up, int upLeft) {
    const int p = left + up - upLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    return uint8_t(pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft);
}

// Undoes one row's filter in place; `up` is the previous row, already undone (zeros for the first).
bool unfilter(uint8_t filter, uint8_t* row, const uint8_t* up, qsizetype length, int bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (qsizetype i = bpp; i < length; ++i)
            row[i] = uint8_t(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + up[i]);
        return true;
    case 3:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + (((i >= bpp ? row[i - bpp] : 0) + up[i]) >> 1));
        return true;
    case 4:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uint8_t(
                row[i] + (i >= bpp ? paeth(row[i - bpp], up[i], up[i - bpp]) : paeth(0, up[i], 0)));
        return true;
    default:
        return false;
    }
}

template <int bpp> void toArgb(const uint8_t* in, QRgb* out, qsizetype width) {
    for (qsizetype x = 0; x < width; ++x) {
        const uint8_t* p = in + x * bpp;
        const uint32_t alpha = bpp == 4 ? p[3] : 0xff;
        out[x] = alpha << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
}

} // namespace

bool read(const QByteArray& png, const std::function<bool(QSize)>& begin,
          const std::function<void(int y, const QRgb* row)>& row) {
    if (!png.startsWith(QByteArray::fromRawData(signature, 8)))
        return false;
    qint64 width = 0, height = 0;
    int bpp = 0;
    QByteArray stream;
    bool ended = false;
    for (qsizetype at = 8; !ended;) {
        if (png.size() - at < 12)
            return false;
        const qint64 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArray type = png.mid(at + 4, 4);
        const char* data = png.constData() + at + 8;
        if (length > png.size() - at - 12)
            return false;
        if (type == "IHDR") {
            const auto* h = reinterpret_cast<const uint8_t*>(data);
            if (length != 13 || h[8] != 8 || (h[9] != colourRgb && h[9] != colourRgba) ||
                h[10] != 0 || h[11] != 0 || h[12] != 0)
                return false;
            width = qFromBigEndian<quint32>(data);
            height = qFromBigEndian<quint32>(data + 4);
            bpp = h[9] == colourRgb ? 3 : 4;
            if (width <= 0 || height <= 0 || width * height > maxPixels)
                return false;
        } else if (type == "IDAT") {
            stream.append(data, length);
        } else if (type == "IEND") {
            ended = true;
        } else if (type == "PLTE" || (type.at(0) & 0x20) == 0) {
            return false; // a critical chunk this reader does not know
        }
        at += 12 + length;
    }
    if (bpp == 0 || stream.isEmpty())
        return false;

    if (!begin(QSize(int(width), int(height))))
        return false;
    // Two rows of PNG bytes and one of pixels is all the memory the reading needs.
    const qsizetype stride = qsizetype(width) * bpp;
    std::vector<uint8_t> bytes(size_t(stride) + 1), up(size_t(stride) + 1, 0);
    std::vector<QRgb> pixels(static_cast<size_t>(width));
    inflate_state state;
    isal_inflate_init(&state);
    state.crc_flag = ISAL_ZLIB;
    state.next_in = reinterpret_cast<uint8_t*>(stream.data());
    state.avail_in = uint32_t(stream.size());
    bool broken = false; // bad data, a wrong checksum, or the stream cut short
    const auto inflate = [&state, &broken](uint8_t* out, qsizetype size) {
        state.next_out = out;
        state.avail_out = uint32_t(size);
        while (!broken && state.avail_out > 0 && state.block_state != ISAL_BLOCK_FINISH) {
            const uint32_t before = state.avail_in + state.avail_out;
            broken = isal_inflate(&state) != ISAL_DECOMP_OK ||
                     state.avail_in + state.avail_out == before;
        }
        return !broken && state.avail_out == 0;
    };
    for (int y = 0; y < height; ++y) {
        if (!inflate(bytes.data(), qsizetype(bytes.size())) ||
            !unfilter(bytes[0], bytes.data() + 1, up.data() + 1, stride, bpp))
            return false;
        if (bpp == 4)
            toArgb<4>(bytes.data() + 1, pixels.data(), width);
        else
            toArgb<3>(bytes.data() + 1, pixels.data(), width);
        row(y, pixels.data());
        bytes.swap(up);
    }
    // Nothing may follow the rows but the stream's end, whose checksum must hold.
    uint8_t spare = 0;
    return !inflate(&spare, 1) && !broken && state.block_state == ISAL_BLOCK_FINISH;
}

} // namespace PngDecoder
