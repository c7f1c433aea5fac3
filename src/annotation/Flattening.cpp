#include "annotation/Flattening.h"

#include "annotation/Geometry.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Values within this of a whole number count as that number, so that 0.1 + 0.2 points at a
// scale of 10 do not grow the pixel rectangle by a spurious column.
constexpr double wholeTolerance = 1e-9;

double snapped(double v) {
    const double whole = std::round(v);
    return std::abs(v - whole) < wholeTolerance ? whole : v;
}

// One run of pixels that a pixelation block covers along one axis, and the pixel (along the same
// axis) whose colour fills it.
struct BlockSpan {
    int start;
    int end;
    int sample;
};

// Splits [0, extent) into blocks of the given size counted from 0, each sampled at its centre;
// a centre past the extent takes the last pixel, which always lies in that cut block.
std::vector<BlockSpan> blockSpans(int extent, double block) {
    std::vector<BlockSpan> spans;
    int start = 0;
    while (start < extent) {
        const long k = long(std::floor((start + 0.5) / block));
        int end = start + 1;
        while (end < extent && long(std::floor((end + 0.5) / block)) == k)
            ++end;
        const int centre = int(std::floor((double(k) + 0.5) * block));
        spans.push_back({start, end, std::clamp(centre, 0, extent - 1)});
        start = end;
    }
    return spans;
}

// The crop as premultiplied 32-bit pixels, in one pass over the common screen formats: a full
// display at 2x is 33 MB, and a copy followed by a conversion would walk it twice.
QImage croppedPremultiplied(const QImage& image, const QRect& crop) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) {
        QImage out = image.copy(crop).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // The caller's painter maps points to pixels itself; a ratio carried over from the
        // frozen image would scale everything a second time.
        out.setDevicePixelRatio(1);
        return out;
    }
    QImage out(crop.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    // The spare byte of RGB32 pixels is not always 0xff in grabbed images; here it becomes alpha.
    const quint32 opaque = format == QImage::Format_RGB32 ? 0xff000000u : 0;
    for (int y = 0; y < crop.height(); ++y) {
        const auto* src =
            reinterpret_cast<const quint32*>(image.constScanLine(crop.top() + y)) + crop.left();
        auto* dst = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < crop.width(); ++x)
            dst[x] = src[x] | opaque;
    }
    return out;
}

} // namespace

Flattening::Flattening(QImage image, QSizeF viewSize)
    : m_image(std::move(image)), m_viewSize(viewSize) {}

double Flattening::scaleX() const {
    return m_viewSize.width() > 0 ? m_image.width() / m_viewSize.width() : 1;
}

double Flattening::scaleY() const {
    return m_viewSize.height() > 0 ? m_image.height() / m_viewSize.height() : 1;
}

int Flattening::dotsPerMeter(double scale) {
    return int(std::lround(72 * scale / 0.0254));
}

QRect Flattening::pixelRect(const QRectF& r) const {
    const double sx = scaleX();
    const double sy = scaleY();
    const double left = snapped(sx * r.left());
    const double top = snapped(sy * r.top());
    const double right = snapped(sx * r.right());
    const double bottom = snapped(sy * r.bottom());
    return Geometry::roundedOutward(QRectF(QPointF(left, top), QPointF(right, bottom)));
}

std::optional<QImage> Flattening::pixelate(const QRectF& r) const {
    const QRect pr = pixelRect(r);
    if (pr.width() < 2 || pr.height() < 2)
        return std::nullopt;
    const QRect area = pr & m_image.rect();
    if (area.isEmpty())
        return std::nullopt;

    // Read the frozen image in place when its pixels are already premultiplied 32-bit values.
    QImage source = m_image;
    QPoint origin = area.topLeft();
    if (source.format() != QImage::Format_RGB32 &&
        source.format() != QImage::Format_ARGB32_Premultiplied) {
        source = m_image.copy(area).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        origin = QPoint(0, 0);
    }
    const quint32 opaque = source.format() == QImage::Format_RGB32 ? 0xff000000u : 0;
    const int w = area.width();
    const int h = area.height();
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull() || source.isNull())
        return std::nullopt;
    out.setColorSpace(m_image.colorSpace());

    // 9 points per block on every display.
    const double block = std::max(9 * scaleX(), 6.0);
    const std::vector<BlockSpan> columns = blockSpans(w, block);
    // The grid starts at the bottom edge, so rows are counted upwards and the top blocks are cut.
    const std::vector<BlockSpan> rowsUp = blockSpans(h, block);

    const uchar* srcBits = source.constBits();
    const qsizetype srcStride = source.bytesPerLine();
    uchar* outBits = out.bits();
    const qsizetype outStride = out.bytesPerLine();
    for (const BlockSpan& rows : rowsUp) {
        const int top = h - rows.end;
        const int bottom = h - rows.start;
        const int sampleRow = h - 1 - rows.sample;
        const auto* src =
            reinterpret_cast<const quint32*>(srcBits + (origin.y() + sampleRow) * srcStride) +
            origin.x();
        auto* first = reinterpret_cast<quint32*>(outBits + top * outStride);
        for (const BlockSpan& cols : columns)
            std::fill(first + cols.start, first + cols.end, src[cols.sample] | opaque);
        for (int y = top + 1; y < bottom; ++y)
            std::memcpy(outBits + y * outStride, first, size_t(w) * sizeof(quint32));
    }
    return out;
}

std::optional<Rendered> Flattening::render(const QRectF& selection,
                                           const QList<AnnotationRef>& annotations) const {
    const QRectF r =
        Geometry::roundedOutwardF(selection).intersected(QRectF(QPointF(0, 0), m_viewSize));
    if (r.width() < 1 || r.height() < 1)
        return std::nullopt;
    const QRect crop = pixelRect(r) & m_image.rect();
    if (crop.isEmpty())
        return std::nullopt;

    QImage bitmap = croppedPremultiplied(m_image, crop);
    if (bitmap.isNull())
        return std::nullopt;
    bitmap.setColorSpace(m_image.colorSpace().isValid() ? m_image.colorSpace()
                                                        : QColorSpace(QColorSpace::SRgb));

    const double sx = crop.width() / r.width();
    const double sy = crop.height() / r.height();
    QPainter painter(&bitmap);
    if (!painter.isActive())
        return std::nullopt;
    painter.scale(sx, sy);
    painter.translate(-r.topLeft());
    for (const AnnotationRef& annotation : annotations) {
        if (annotation)
            annotation->draw(&painter);
    }
    painter.end();

    bitmap.setDevicePixelRatio(sx);
    bitmap.setDotsPerMeterX(dotsPerMeter(sx));
    bitmap.setDotsPerMeterY(dotsPerMeter(sy));
    return Rendered{bitmap, r.size()};
}
