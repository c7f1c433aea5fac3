// Times the two pixel paths of the editor that the user waits on: pixelation runs on every
// drag event of a pixelate annotation, flattening on every automatic copy.
#include "Timing.h"
#include "annotation/Flattening.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A busy screen: gradients with fine stripes, so no block or tile is uniform.
QImage screen(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7) & 255, (y * 3) & 255, ((x ^ y) & 8) ? 40 : 220);
    }
    return image;
}

// After one run that warms the caches.
double warmMedianMs(int runs, const std::function<void()>& work) {
    work();
    return medianMs(runs, work);
}

// 50 annotations, every tool, spread over the display.
QList<AnnotationRef> annotationsOver(const Flattening& f) {
    const QColor colours[] = {QColor::fromRgbF(0.93f, 0.18f, 0.18f),
                              QColor::fromRgbF(0.1f, 0.52f, 0.96f), QColor::fromRgbF(1, 0.8f, 0)};
    QList<AnnotationRef> list;
    for (int i = 0; i < 50; ++i) {
        const Tool tool = Tool::allCases()[i % 8];
        const QPointF at(40 + (i * 173) % 1700, 40 + (i * 97) % 900);
        auto a = std::make_shared<Annotation>(tool, colours[i % 3], at);
        a->lineWidth = tool.defaultSize();
        switch (tool) {
        case Tool::pen:
        case Tool::marker:
            a->points.clear();
            for (int k = 0; k < 60; ++k)
                a->points << at + QPointF(k * 3, 20 * std::sin(k / 5.0));
            break;
        case Tool::text:
            a->points = {at};
            a->text = QStringLiteral("Texto de prueba %1").arg(i);
            a->textHeight = 24;
            break;
        case Tool::number:
            a->points = {at};
            a->number = i;
            break;
        case Tool::pixelate:
            a->points[1] = at + QPointF(160, 90);
            a->pixelated = f.pixelate(a->rect());
            break;
        default:
            a->points[1] = at + QPointF(180, 120);
            break;
        }
        list << a;
    }
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const Flattening f(screen(3840, 2160), QSizeF(1920, 1080));
    const QRectF area(300, 200, 800, 600);
    const double pixelate = warmMedianMs(300, [&] { (void)f.pixelate(area); });
    std::printf("pixelate 800x600 points at 2x (1600x1200 px): median %.3f ms (goal < 2)\n",
                pixelate);

    const QList<AnnotationRef> list = annotationsOver(f);
    const double render = warmMedianMs(40, [&] { (void)f.render(QRectF(0, 0, 1920, 1080), list); });
    std::printf("render 3840x2160 px with 50 annotations: median %.3f ms (goal < 30)\n", render);
    return 0;
}
