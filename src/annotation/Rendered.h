#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>

#include <optional>

// The flattened capture: pixels, and the captured area's size in points.
struct Rendered {
    QImage image;
    QSizeF pointSize;

    // image size / pointSize: 2 on a 2x display.
    double scale() const;
    // LZW-compressed TIFF whose resolution declares pointSize (144 dpi at 2x).
    std::optional<QByteArray> tiffData() const;
};
