#include "settings/Config.h"

namespace Config {

QColor leafGreen() {
    return QColor::fromRgbF(0.18f, 0.70f, 0.30f, 1.0f);
}

QColor separatorColor(const QPalette& palette) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.18f);
    return colour;
}

QColor secondaryLabelColor(const QPalette& palette) {
    return palette.color(QPalette::PlaceholderText);
}

const QList<QColor>& palette() {
    static const QList<QColor> colours = {
        QColor::fromRgbF(0.93f, 0.18f, 0.18f, 1.0f), leafGreen(),
        QColor::fromRgbF(1.0f, 0.8f, 0.0f, 1.0f),    QColor::fromRgbF(0.1f, 0.52f, 0.96f, 1.0f),
        QColor::fromRgbF(0.1f, 0.1f, 0.1f, 1.0f),    QColor::fromRgbF(1.0f, 1.0f, 1.0f, 1.0f),
    };
    return colours;
}

} // namespace Config
