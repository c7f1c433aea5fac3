#pragma once

#include <QImage>
#include <QWidget>

// Paints a widget with its children into an image of the given backing scale, as the window
// system would at that scale.
inline QImage grabAt(QWidget& widget, qreal scale) {
    QImage image(widget.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The colour of the device pixel under a point given in the widget's points.
inline QColor colorAt(const QImage& image, QPointF point) {
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(int(point.x() * scale), int(point.y() * scale));
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance && qAbs(a.alpha() - b.alpha()) <= tolerance;
}
