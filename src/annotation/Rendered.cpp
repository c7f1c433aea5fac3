#include "annotation/Rendered.h"

#include "annotation/Flattening.h"

#include <QBuffer>
#include <QImageWriter>

double Rendered::scale() const {
    if (pointSize.width() <= 0)
        return 1;
    return image.width() / pointSize.width();
}

std::optional<QByteArray> Rendered::tiffData() const {
    if (image.isNull() || pointSize.isEmpty())
        return std::nullopt;
    // The resolution is how the file says how large the pixels are meant to be shown.
    QImage declared = image;
    declared.setDotsPerMeterX(Flattening::dotsPerMeter(image.width() / pointSize.width()));
    declared.setDotsPerMeterY(Flattening::dotsPerMeter(image.height() / pointSize.height()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    // The TIFF plugin's compression 1 is LZW.
    writer.setCompression(1);
    if (!writer.write(declared))
        return std::nullopt;
    return bytes;
}
