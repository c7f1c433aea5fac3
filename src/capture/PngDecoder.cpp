#include "capture/PngDecoder.h"

#include <QtEndian>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <isa-l/igzip_lib.h>
#include <mutex>
#include <thread>
#include <vector>

namespace PngDecoder {

namespace {

constexpr char signature[] = "\x89PNG\r\n\x1a\n";
constexpr int colourRgb = 2, colourRgba = 6;
// Well past any desktop's layout, and short of what QImage can hold.
constexpr qint64 maxPixels = qint64(1) << 28;

// The Paeth predictor, written so that the compiler selects without branches: which neighbour
// it picks depends on the picture, and mispredicted branches made it the slowest part of a read.
// One chain per channel, held in registers: the channels are independent.
template <int bpp> void paethRow(uint8_t* row, const uint8_t* up, qsizetype length) {
    int left[bpp] = {}, upLeft[bpp] = {};
    for (qsizetype i = 0; i < length; i += bpp) {
        for (int k = 0; k < bpp; ++k) {
            const int above = up[i + k], corner = upLeft[k];
            const int pa = std::abs(above - corner), pb = std::abs(left[k] - corner),
                      pc = std::abs(left[k] + above - 2 * corner);
            const int notLeft = pb <= pc ? above : corner;
            left[k] = uint8_t(row[i + k] + (pa <= std::min(pb, pc) ? left[k] : notLeft));
            row[i + k] = uint8_t(left[k]);
            upLeft[k] = above;
        }
    }
}

// Undoes one row's filter in place; `up` is the previous row, already undone (zeros for the first).
// Sub and Average keep the pixel to the left in registers, as Paeth does.
template <int bpp>
bool unfilter(uint8_t filter, uint8_t* row, const uint8_t* up, qsizetype length) {
    int left[bpp] = {};
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (qsizetype i = 0; i < length; i += bpp) {
            for (int k = 0; k < bpp; ++k)
                row[i + k] = uint8_t(left[k] = uint8_t(row[i + k] + left[k]));
        }
        return true;
    case 2:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uint8_t(row[i] + up[i]);
        return true;
    case 3:
        for (qsizetype i = 0; i < length; i += bpp) {
            for (int k = 0; k < bpp; ++k)
                row[i + k] = uint8_t(left[k] = uint8_t(row[i + k] + ((left[k] + up[i + k]) >> 1)));
        }
        return true;
    case 4:
        paethRow<bpp>(row, up, length);
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

// Inflates the rows on a thread of its own, a few rows ahead of the caller, who undoes their
// filters and converts them: each half is about half the work.
class Inflater {
public:
    Inflater(const QByteArray& stream, qsizetype rowBytes, int rows)
        : m_stream(stream), m_rowBytes(rowBytes), m_rows(rows),
          m_ring(size_t(ringRows) * size_t(rowBytes)), m_thread([this] { run(); }) {}

    ~Inflater() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // The next row's filtered bytes, the filter type first; nullptr when the stream is broken.
    // The row stays as the caller leaves it until the one after next has been asked for, so it
    // can serve as the row above.
    uint8_t* next() {
        const int y = m_taken++;
        std::unique_lock lock(m_mutex);
        if (y % chunkRows == 0 && y > 0) {
            m_released = y - 1;
            m_changed.notify_all();
        }
        m_changed.wait(lock, [&] { return m_inflated > y || m_done; });
        return m_inflated > y ? slot(y) : nullptr;
    }

    // After the last row: true when nothing followed but the stream's end, with its checksum.
    bool endedCleanly() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_done; });
        return m_clean;
    }

private:
    static constexpr int chunkRows = 16, ringRows = 4 * chunkRows;

    uint8_t* slot(int y) { return m_ring.data() + size_t(y % ringRows) * size_t(m_rowBytes); }

    void run() {
        inflate_state state;
        isal_inflate_init(&state);
        state.crc_flag = ISAL_ZLIB;
        // ISA-L only reads its input.
        state.next_in =
            const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(m_stream.constData()));
        state.avail_in = uint32_t(m_stream.size());
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
        for (int y = 0; y < m_rows && !broken; y += chunkRows) {
            const int count = std::min(chunkRows, m_rows - y);
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || m_released >= y + count - ringRows; });
                if (m_stop)
                    return;
            }
            if (inflate(slot(y), count * m_rowBytes)) {
                const std::lock_guard lock(m_mutex);
                m_inflated = y + count;
            }
            m_changed.notify_all();
        }
        // Nothing may follow the rows but the stream's end, whose checksum must hold.
        uint8_t spare = 0;
        const bool clean = !inflate(&spare, 1) && !broken && state.block_state == ISAL_BLOCK_FINISH;
        {
            const std::lock_guard lock(m_mutex);
            m_clean = clean;
            m_done = true;
        }
        m_changed.notify_all();
    }

    const QByteArray& m_stream;
    const qsizetype m_rowBytes;
    const int m_rows;
    std::vector<uint8_t> m_ring;
    int m_taken = 0; // the caller's rows so far
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_inflated = 0;  // rows ready
    int m_released = 0;  // rows the caller is done with
    bool m_done = false; // the thread has read all it will read
    bool m_clean = false;
    bool m_stop = false;
    std::thread m_thread; // last, so that it starts on a complete object
};

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
    const qsizetype stride = qsizetype(width) * bpp;
    Inflater inflater(stream, stride + 1, int(height));
    const std::vector<uint8_t> zeros(size_t(stride) + 1, 0);
    std::vector<QRgb> pixels(static_cast<size_t>(width));
    const uint8_t* up = zeros.data();
    for (int y = 0; y < height; ++y) {
        uint8_t* bytes = inflater.next();
        if (!bytes || !(bpp == 4 ? unfilter<4>(bytes[0], bytes + 1, up + 1, stride)
                                 : unfilter<3>(bytes[0], bytes + 1, up + 1, stride)))
            return false;
        if (bpp == 4)
            toArgb<4>(bytes + 1, pixels.data(), width);
        else
            toArgb<3>(bytes + 1, pixels.data(), width);
        row(y, pixels.data());
        up = bytes;
    }
    return inflater.endedCleanly();
}

} // namespace PngDecoder
