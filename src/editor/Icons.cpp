#include "editor/Icons.h"

#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace Icons {

QPixmap pixmap(const QString& name, double sizeInPoints, double devicePixelRatio) {
    // Buttons repaint often (hover, on/off); rendering SVG each time would be wasted work.
    const QString key =
        QStringLiteral("icon:%1@%2x%3").arg(name).arg(sizeInPoints).arg(devicePixelRatio);
    if (QPixmap cached; QPixmapCache::find(key, &cached))
        return cached;

    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    const int side = qRound(sizeInPoints * devicePixelRatio);
    if (!renderer.isValid() || side <= 0)
        return {};

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    // Tint: keep the drawn coverage, make every covered pixel white.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), Qt::white);
    painter.end();

    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

} // namespace Icons
