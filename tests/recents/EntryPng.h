#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

// The PNG bytes of a plain red picture, as output delivery hands captures to the history.
inline QByteArray pngOf(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}
