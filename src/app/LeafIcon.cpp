#include "app/LeafIcon.h"

#include "editor/Icons.h"
#include "settings/Config.h"

#include <QPainter>

namespace LeafIcon {

QPixmap pixmap(double sizeInPoints, double devicePixelRatio) {
    const QPixmap white = Icons::pixmap(QStringLiteral("leaf"), sizeInPoints, devicePixelRatio);
    if (white.isNull())
        return {};

    QImage image = white.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), Config::leafGreen());
    painter.end();

    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon() {
    QIcon result;
    // QIcon chooses by device pixels, so these cover 16 to 64 points at 1x and 2x.
    for (const int side : {16, 22, 24, 32, 44, 48, 64, 128})
        result.addPixmap(pixmap(side, 1));
    return result;
}

} // namespace LeafIcon
