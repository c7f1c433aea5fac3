#pragma once

#include "annotation/Annotation.h"
#include "annotation/Rendered.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <optional>

// The pixel side of one display's canvas: the frozen image (device pixels) and the view size
// (points). Each display's document holds one, for rendering and pixelating.
class Flattening {
public:
    Flattening() = default;
    Flattening(QImage image, QSizeF viewSize);

    const QImage& image() const { return m_image; }
    QSizeF viewSize() const { return m_viewSize; }
    // Horizontal and vertical backing scale: image pixels per view point.
    double scaleX() const;
    double scaleY() const;

    // A rectangle in canvas points to the image pixels it covers, rounded outward.
    QRect pixelRect(const QRectF& r) const;
    // The pixelated copy of the frozen image under r; nothing under 2 pixels either way.
    std::optional<QImage> pixelate(const QRectF& r) const;
    // The selection (rounded outward, cut to the display) with the annotations drawn over it.
    std::optional<Rendered> render(const QRectF& selection,
                                   const QList<AnnotationRef>& annotations) const;

    // Image density that shows one point at 72 dpi: 5669 dots per metre at a scale of 2.
    static int dotsPerMeter(double scale);

private:
    QImage m_image;
    QSizeF m_viewSize;
};
