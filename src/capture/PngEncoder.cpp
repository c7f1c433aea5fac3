#include "capture/PngEncoder.h"

#include <libdeflate.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr double metresPerInch = 0.0254;

void putU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

void appendChunk(QByteArray& out, const char type[4], const uint8_t* data, size_t length) {
    uint8_t header[8];
    putU32(header, uint32_t(length));
    std::memcpy(header + 4, type, 4);
    out.append(reinterpret_cast<const char*>(header), 8);
    out.append(reinterpret_cast<const char*>(data), qsizetype(length));
    // The CRC covers the type and the data, not the length.
    uint32_t crc = libdeflate_crc32(0, header + 4, 4);
    // A null buffer would restart the CRC instead of leaving it alone.
    if (length)
        crc = libdeflate_crc32(crc, data, length);
    uint8_t tail[4];
    putU32(tail, crc);
    out.append(reinterpret_cast<const char*>(tail), 4);
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Writes the filter byte and the filtered row; `prev` is null for the first row (zeros above).
void filterRow(PngEncoder::Filter filter, const uint8_t* __restrict row,
               const uint8_t* __restrict prev, size_t length, size_t bpp, uint8_t* __restrict out) {
    using PngEncoder::Filter;
    uint8_t* __restrict dst = out + 1;
    if (!prev && (filter == Filter::Up || filter == Filter::Paeth))
        filter = filter == Filter::Up ? Filter::None : Filter::Sub; // identical with zeros above
    switch (filter) {
    case Filter::Auto:
    case Filter::None:
        out[0] = 0;
        std::memcpy(dst, row, length);
        break;
    case Filter::Sub:
        out[0] = 1;
        std::memcpy(dst, row, bpp);
        for (size_t i = bpp; i < length; ++i)
            dst[i] = uint8_t(row[i] - row[i - bpp]);
        break;
    case Filter::Up:
        out[0] = 2;
        for (size_t i = 0; i < length; ++i)
            dst[i] = uint8_t(row[i] - prev[i]);
        break;
    case Filter::Paeth:
        out[0] = 4;
        for (size_t i = 0; i < bpp; ++i)
            dst[i] = uint8_t(row[i] - prev[i]);
        for (size_t i = bpp; i < length; ++i)
            dst[i] = uint8_t(row[i] - paeth(row[i - bpp], prev[i], prev[i - bpp]));
        break;
    }
}

// Filtered rows or compressed bytes. Left uninitialised: a 4K screen is 25 MB, which zeroing
// first would only fault in twice.
struct Bytes {
    explicit Bytes(size_t n) : data(new uint8_t[n]), size(n) {}
    std::unique_ptr<uint8_t[]> data;
    size_t size;
};

struct Compressor {
    explicit Compressor(int level) : c(libdeflate_alloc_compressor(std::clamp(level, 1, 12))) {}
    ~Compressor() { libdeflate_free_compressor(c); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    size_t bound(const Bytes& data) const { return libdeflate_zlib_compress_bound(c, data.size); }
    // The compressed size, 0 on failure.
    size_t zlib(const Bytes& data, uint8_t* out, size_t room) const {
        return c ? libdeflate_zlib_compress(c, data.data.get(), data.size, out, room) : 0;
    }
    size_t zlibSize(const Bytes& data) const {
        Bytes out(bound(data));
        return zlib(data, out.data.get(), out.size);
    }

    libdeflate_compressor* c;
};

Bytes filtered(const QImage& image, PngEncoder::Filter filter, size_t bpp, int firstRow, int rows) {
    const size_t rowBytes = size_t(image.width()) * bpp;
    Bytes out((rowBytes + 1) * size_t(rows));
    for (int y = firstRow; y < firstRow + rows; ++y)
        filterRow(filter, image.constScanLine(y), y ? image.constScanLine(y - 1) : nullptr,
                  rowBytes, bpp, out.data.get() + size_t(y - firstRow) * (rowBytes + 1));
    return out;
}

// Compresses bands of rows spread over the image with both candidates at the fast level.
PngEncoder::Filter chooseFilter(const QImage& image, size_t bpp) {
    using PngEncoder::Filter;
    constexpr int band = 8, every = 256;
    const Compressor fast(1);
    size_t none = 0, up = 0;
    for (int y = 0; y < image.height(); y += every) {
        const int rows = std::min(band, image.height() - y);
        none += fast.zlibSize(filtered(image, Filter::None, bpp, y, rows));
        up += fast.zlibSize(filtered(image, Filter::Up, bpp, y, rows));
    }
    return up < none ? Filter::Up : Filter::None;
}

// Captures are opaque even when their format has an alpha channel; those are written as RGB.
bool allOpaque(const QImage& image) {
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(argb.constScanLine(y));
        uint32_t all = 0xff000000u;
        for (int x = 0; x < argb.width(); ++x)
            all &= row[x];
        if ((all >> 24) != 0xffu)
            return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> PngEncoder::encode(const QImage& source, double scale, Options options) {
    if (source.isNull() || scale <= 0)
        return std::nullopt;
    const bool alpha = !allOpaque(source);
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (image.isNull())
        return std::nullopt;
    const size_t bpp = alpha ? 4 : 3;
    const Filter filter =
        options.filter == Filter::Auto ? chooseFilter(image, bpp) : options.filter;
    const int level = options.level > 0 ? options.level : filter == Filter::None ? 2 : 1;
    const Bytes rows = filtered(image, filter, bpp, 0, image.height());
    const Compressor compressor(level);
    const auto width = uint32_t(image.width()), height = uint32_t(image.height());

    QByteArray out;
    out.append("\x89PNG\r\n\x1a\n", 8);

    uint8_t ihdr[13];
    putU32(ihdr, width);
    putU32(ihdr + 4, height);
    ihdr[8] = 8;             // bits per channel
    ihdr[9] = alpha ? 6 : 2; // RGBA or RGB
    ihdr[10] = ihdr[11] = ihdr[12] = 0;
    appendChunk(out, "IHDR", ihdr, sizeof ihdr);

    uint8_t phys[9];
    const auto dotsPerMetre = uint32_t(std::lround(72.0 * scale / metresPerInch));
    putU32(phys, dotsPerMetre);
    putU32(phys + 4, dotsPerMetre);
    phys[8] = 1; // unit: metre
    appendChunk(out, "pHYs", phys, sizeof phys);

    // Compressed straight into the file's IDAT chunk; the bound is only reserved, not touched.
    const qsizetype idat = out.size();
    const size_t room = compressor.bound(rows);
    out.resize(idat + 8 + qsizetype(room) + 4);
    auto* chunk = reinterpret_cast<uint8_t*>(out.data()) + idat;
    const size_t compressedSize = compressor.zlib(rows, chunk + 8, room);
    if (compressedSize == 0)
        return std::nullopt;
    putU32(chunk, uint32_t(compressedSize));
    std::memcpy(chunk + 4, "IDAT", 4);
    putU32(chunk + 8 + compressedSize, libdeflate_crc32(0, chunk + 4, 4 + compressedSize));
    out.truncate(idat + 8 + qsizetype(compressedSize) + 4);
    appendChunk(out, "IEND", nullptr, 0);
    // The clipboard may keep it for long; give back the room the bound reserved.
    out.squeeze();
    return out;
}
