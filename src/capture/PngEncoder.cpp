#include "capture/PngEncoder.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <memory>
#include <vector>

namespace {

using PngEncoder::Filter;

constexpr double metresPerInch = 0.0254;
// Fewer rows per band lose more of the compressor's history at the edges than the cores gain.
constexpr int minBandRows = 64;
constexpr int bandsPerCore = 4;
constexpr int sampleRows = 8;
// Filtered rows handed to the compressor at a time: small enough to stay in a core's L2 cache.
constexpr size_t pieceBytes = 128 * 1024;
constexpr uint32_t adlerBase = 65521;

void putU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Filtered rows or compressed bytes. Left uninitialised: a 4K screen is 25 MB, which zeroing
// first would only fault in twice.
struct Bytes {
    explicit Bytes(size_t n) : data(new uint8_t[n]), size(n) {}
    uint8_t* get() const { return data.get(); }
    std::unique_ptr<uint8_t[]> data;
    size_t size;
};

// A whole chunk at `chunk`: length, type, the `length` data bytes already in place, CRC.
size_t sealChunk(uint8_t* chunk, const char type[4], size_t length) {
    putU32(chunk, uint32_t(length));
    std::memcpy(chunk + 4, type, 4);
    // The CRC covers the type and the data, not the length.
    putU32(chunk + 8 + length, crc32_gzip_refl(0, chunk + 4, 4 + length));
    return 12 + length;
}

void appendChunk(QByteArray& out, const char type[4], const uint8_t* data, size_t length) {
    const qsizetype at = out.size();
    out.resize(at + 12 + qsizetype(length));
    auto* chunk = reinterpret_cast<uint8_t*>(out.data()) + at;
    if (length)
        std::memcpy(chunk + 8, data, length);
    sealChunk(chunk, type, length);
}

// The Adler-32 of two pieces joined, from the sums of each and the second's length.
uint32_t adlerJoin(uint32_t first, uint32_t second, uint64_t secondLength) {
    const uint64_t n = secondLength % adlerBase;
    const uint64_t a1 = first & 0xffff, b1 = first >> 16, a2 = second & 0xffff, b2 = second >> 16;
    const uint64_t a = (a1 + a2 + adlerBase - 1) % adlerBase;
    const uint64_t b = (b1 + b2 + n * a1 + adlerBase - n) % adlerBase;
    return uint32_t(b << 16 | a);
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Writes the filter byte and the filtered row; `prev` is null for the first row (zeros above).
void filterRow(Filter filter, const uint8_t* __restrict row, const uint8_t* __restrict prev,
               size_t length, size_t bpp, uint8_t* __restrict out) {
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

// Reads 32-bit 0xAARRGGBB rows as PNG bytes: RGB (then alpha is ignored, but noted, since the
// image is written as RGB only when every pixel is opaque) or RGBA from straight alpha.
struct Pixels {
    const QImage& image;
    bool alpha;

    size_t bpp() const { return alpha ? 4 : 3; }
    size_t rowBytes() const { return size_t(image.width()) * bpp(); }
    // Room for a row: one byte more, which RGB rows write past their end.
    size_t rowRoom() const { return rowBytes() + 1; }

    // Returns false when an RGB row has a pixel that is not opaque.
    bool row(int y, uint8_t* __restrict out) const {
        const auto* __restrict src = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        const int width = image.width();
        if (alpha) {
            for (int x = 0; x < width; ++x) {
                const uint32_t p = src[x];
                out[4 * x] = uint8_t(p >> 16);
                out[4 * x + 1] = uint8_t(p >> 8);
                out[4 * x + 2] = uint8_t(p);
                out[4 * x + 3] = uint8_t(p >> 24);
            }
            return true;
        }
        uint32_t all = 0xff000000u;
        for (int x = 0; x < width; ++x)
            all &= src[x];
        // R, G, B and a byte that the next pixel overwrites: one store per pixel instead of three.
        for (int x = 0; x < width; ++x) {
            const uint32_t rgb = __builtin_bswap32(src[x]) >> 8;
            std::memcpy(out + 3 * x, &rgb, 4);
        }
        return (all >> 24) == 0xffu || image.format() == QImage::Format_RGB32;
    }
};

// One deflate stream fed in pieces, into an output buffer large enough for all of it.
class Deflater {
public:
    enum class End { none, fullFlush, stream };

    explicit Deflater(int level)
        : m_level(uint32_t(std::clamp(level, ISAL_DEF_MIN_LEVEL, ISAL_DEF_MAX_LEVEL))),
          m_stream(std::make_unique<isal_zstream>()), m_buffer(ISAL_DEF_LVL3_DEFAULT) {}

    static size_t bound(size_t n) { return n + n / 64 + 1024; }

    void begin(uint8_t* out, size_t room) {
        isal_deflate_init(m_stream.get());
        m_stream->next_out = out;
        m_stream->avail_out = uint32_t(room);
        m_stream->level = m_level;
        m_stream->level_buf = m_buffer.get();
        m_stream->level_buf_size = uint32_t(m_buffer.size);
    }

    // A full flush byte-aligns the output and forgets the history, so a new stream may follow.
    // False when the output had no room for all of it.
    bool feed(const uint8_t* in, size_t n, End end) {
        m_stream->next_in = const_cast<uint8_t*>(in);
        m_stream->avail_in = uint32_t(n);
        m_stream->flush = end == End::fullFlush ? FULL_FLUSH : NO_FLUSH;
        m_stream->end_of_stream = end == End::stream;
        if (isal_deflate(m_stream.get()) != COMP_OK || m_stream->avail_in != 0)
            return false;
        const auto state = m_stream->internal_state.state;
        return end == End::none || state == (end == End::stream ? ZSTATE_END : ZSTATE_NEW_HDR);
    }

    size_t written() const { return m_stream->total_out; }

private:
    uint32_t m_level;
    std::unique_ptr<isal_zstream> m_stream;
    Bytes m_buffer;
};

struct Band {
    int first = 0;
    int rows = 0;
    // The band's IDAT chunk, sealed; the first band's data starts with the zlib header.
    std::optional<Bytes> chunk;
    size_t chunkSize = 0;
    uint32_t adler = 1;
    uint64_t rawSize = 0;
    bool opaque = true;
};

// Filters a few rows spread over the band both ways and keeps the one that compresses smaller.
Filter chooseFilter(const Pixels& pixels, const Band& band, Deflater& deflater) {
    const size_t line = pixels.rowBytes() + 1;
    const int samples = std::min(sampleRows, band.rows);
    Bytes none(line * size_t(samples)), up(line * size_t(samples));
    Bytes row(pixels.rowRoom()), above(pixels.rowRoom());
    for (int i = 0; i < samples; ++i) {
        const int y = band.first + i * band.rows / samples;
        pixels.row(y, row.get());
        if (y > 0)
            pixels.row(y - 1, above.get());
        filterRow(Filter::None, row.get(), nullptr, pixels.rowBytes(), pixels.bpp(),
                  none.get() + size_t(i) * line);
        filterRow(Filter::Up, row.get(), y > 0 ? above.get() : nullptr, pixels.rowBytes(),
                  pixels.bpp(), up.get() + size_t(i) * line);
    }
    Bytes out(Deflater::bound(none.size));
    const auto size = [&](const Bytes& sample) {
        deflater.begin(out.get(), out.size);
        return deflater.feed(sample.get(), sample.size, Deflater::End::stream) ? deflater.written()
                                                                               : SIZE_MAX;
    };
    return size(up) < size(none) ? Filter::Up : Filter::None;
}

// Converts, filters and compresses one band into its IDAT chunk; leaves `chunk` empty on failure.
// Rows go to the compressor a few at a time, while they are still in the cache.
void encodeBand(const Pixels& pixels, Filter filter, int level, bool last, Band& band) {
    Deflater deflater(level);
    if (filter == Filter::Auto)
        filter = chooseFilter(pixels, band, deflater);
    const size_t rowBytes = pixels.rowBytes(), line = rowBytes + 1;
    band.rawSize = line * size_t(band.rows);
    const size_t header = band.first == 0 ? 2 : 0;
    Bytes chunk(8 + header + Deflater::bound(band.rawSize) + 4);
    uint8_t* data = chunk.get() + 8;
    if (header) {
        data[0] = 0x78; // deflate with a 32 KB window
        data[1] = 0x01; // fastest; makes the header a multiple of 31
    }
    deflater.begin(data + header, chunk.size - 12 - header);

    const int piece = std::max(1, int(pieceBytes / line));
    Bytes raw(line * size_t(std::min(piece, band.rows)));
    Bytes row(pixels.rowRoom()), above(pixels.rowRoom());
    bool hasAbove = band.first > 0;
    if (hasAbove)
        pixels.row(band.first - 1, above.get());
    for (int done = 0; done < band.rows;) {
        const int rows = std::min(piece, band.rows - done);
        for (int i = 0; i < rows; ++i) {
            band.opaque &= pixels.row(band.first + done + i, row.get());
            filterRow(filter, row.get(), hasAbove ? above.get() : nullptr, rowBytes, pixels.bpp(),
                      raw.get() + size_t(i) * line);
            std::swap(row, above);
            hasAbove = true;
        }
        if (!band.opaque)
            return;
        done += rows;
        const size_t n = line * size_t(rows);
        band.adler = isal_adler32(band.adler, raw.get(), n);
        using End = Deflater::End;
        if (!deflater.feed(raw.get(), n,
                           done < band.rows ? End::none
                           : last           ? End::stream
                                            : End::fullFlush))
            return;
    }
    band.chunkSize = sealChunk(chunk.get(), "IDAT", header + deflater.written());
    band.chunk = std::move(chunk);
}

int bandCount(int requested, int height) {
    if (requested > 0)
        return std::min(requested, height);
    const int cores = std::max(1, QThread::idealThreadCount());
    return std::clamp(std::min(height / minBandRows, cores * bandsPerCore), 1, height);
}

// Runs `work` for 0 .. count - 1 on the calling thread and on the pool threads that are free now.
// It never waits for a thread that has not started: deliveries run on the same pool, and
// QtConcurrent::blockingMap deadlocked when they had taken every thread.
void parallelFor(int count, const std::function<void(int)>& work) {
    std::atomic<int> next = 0;
    const auto drain = [&] {
        for (int i = next++; i < count; i = next++)
            work(i);
    };
    QThreadPool* pool = QThreadPool::globalInstance();
    QSemaphore finished;
    int helpers = 0;
    while (helpers + 1 < std::min(count, QThread::idealThreadCount()) && pool->tryStart([&] {
        drain();
        finished.release();
    }))
        ++helpers;
    drain();
    finished.acquire(helpers);
}

enum class Result { done, translucent, failed };

// Fills `bands` with their IDAT chunks; an RGB pass stops at a translucent pixel.
Result encodeBands(const Pixels& pixels, const PngEncoder::Options& options,
                   std::vector<Band>& bands) {
    const int height = pixels.image.height();
    const int count = bandCount(options.bands, height);
    bands.clear();
    bands.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        bands[size_t(i)].first = int(int64_t(height) * i / count);
        bands[size_t(i)].rows = int(int64_t(height) * (i + 1) / count) - bands[size_t(i)].first;
    }
    parallelFor(count, [&](int i) {
        encodeBand(pixels, options.filter, options.level, i == count - 1, bands[size_t(i)]);
    });
    for (const Band& band : bands) {
        if (!band.opaque)
            return Result::translucent;
        if (!band.chunk)
            return Result::failed;
    }
    return Result::done;
}

bool is32Bit(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

std::optional<QByteArray> PngEncoder::encode(const QImage& source, double scale, Options options) {
    if (source.isNull() || scale <= 0)
        return std::nullopt;
    // Captures arrive as 32-bit pixels and are read in place; other formats are converted once.
    QImage image = is32Bit(source.format())
                       ? source
                       : source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                         : QImage::Format_RGB32);
    // Captures are opaque even when their format has an alpha channel, so RGB is tried first.
    bool alpha = false;
    std::vector<Band> bands;
    Result result = encodeBands({image, alpha}, options, bands);
    if (result == Result::translucent) {
        alpha = true;
        image = image.convertToFormat(QImage::Format_ARGB32);
        result = encodeBands({image, alpha}, options, bands);
    }
    if (result != Result::done)
        return std::nullopt;

    uint32_t adler = 1;
    size_t idat = 0;
    for (const Band& band : bands) {
        adler = adlerJoin(adler, band.adler, band.rawSize);
        idat += band.chunkSize;
    }
    QByteArray out;
    // Sized once, so the compressed bands are copied once.
    out.reserve(8 + 25 + 21 + qsizetype(idat) + 16 + 12);
    out.append("\x89PNG\r\n\x1a\n", 8);
    uint8_t ihdr[13];
    putU32(ihdr, uint32_t(image.width()));
    putU32(ihdr + 4, uint32_t(image.height()));
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

    const qsizetype start = out.size();
    out.resize(start + qsizetype(idat));
    auto* at = reinterpret_cast<uint8_t*>(out.data()) + start;
    for (const Band& band : bands) {
        std::memcpy(at, band.chunk->get(), band.chunkSize);
        at += band.chunkSize;
    }
    uint8_t trailer[4];
    putU32(trailer, adler);
    appendChunk(out, "IDAT", trailer, sizeof trailer);
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}
