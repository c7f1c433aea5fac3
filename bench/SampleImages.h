#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

// A desktop full of text: light windows with dark lines of text, a few coloured bars.
inline QImage textLikeImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(236, 238, 241));
    QPainter p(&image);
    QRandomGenerator rng(7);
    QFont font;
    font.setPixelSize(15);
    p.setFont(font);
    const QString words = QStringLiteral(
        "int main(void) { return capture(screen, &image); } // la captura de pantalla completa "
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
        "0123456789 ");
    for (int w = 0; w < 6; ++w) {
        const QRect window(rng.bounded(size.width() / 2), rng.bounded(size.height() / 2),
                           size.width() / 3 + rng.bounded(size.width() / 4),
                           size.height() / 3 + rng.bounded(size.height() / 4));
        p.fillRect(window, Qt::white);
        p.fillRect(QRect(window.topLeft(), QSize(window.width(), 32)), QColor(60, 64, 72));
        p.setPen(QColor(30, 30, 30));
        for (int y = window.top() + 52; y < window.bottom(); y += 20) {
            const int offset = rng.bounded(words.size() / 2);
            p.setPen(rng.bounded(8) == 0 ? QColor(20, 90, 200) : QColor(30, 30, 30));
            p.drawText(window.left() + 12 + rng.bounded(40), y, words.mid(offset) + words);
        }
    }
    return image;
}

// A photograph stand-in: smooth colour fields with sensor-like noise on every pixel.
inline QImage photoLikeImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator rng(11);
    constexpr int cell = 96;
    const int gw = size.width() / cell + 2, gh = size.height() / cell + 2;
    QList<QRgb> grid(gw * gh);
    for (QRgb& c : grid)
        c = qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256));
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int gy = y / cell;
        const double fy = double(y % cell) / cell;
        for (int x = 0; x < size.width(); ++x) {
            const int gx = x / cell;
            const double fx = double(x % cell) / cell;
            auto mix = [&](auto channel) {
                const double top =
                    channel(grid[gy * gw + gx]) * (1 - fx) + channel(grid[gy * gw + gx + 1]) * fx;
                const double bottom = channel(grid[(gy + 1) * gw + gx]) * (1 - fx) +
                                      channel(grid[(gy + 1) * gw + gx + 1]) * fx;
                const int noise = int(rng.bounded(9)) - 4;
                return qBound(0, int(top * (1 - fy) + bottom * fy) + noise, 255);
            };
            row[x] =
                qRgb(mix([](QRgb c) { return qRed(c); }), mix([](QRgb c) { return qGreen(c); }),
                     mix([](QRgb c) { return qBlue(c); }));
        }
    }
    return image;
}
