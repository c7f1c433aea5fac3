// Developer tool: opens the capture canvas full screen over a saved PNG, as if that image were the
// frozen screen, so the editor can be tried by hand (under Xvfb or on a desktop). Prints every live
// copy and the final outcome; with --out, writes the delivered image there.

#include "editor/CanvasView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTextStream>
#include <QWidget>

namespace {

// Stands where the overlay window stands in a capture: the frozen image and the dimming veil.
class DemoOverlay : public QWidget {
public:
    explicit DemoOverlay(QImage image) : m_image(std::move(image)) {}

    void setHole(const QRectF& hole) {
        m_hole = hole;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(QPointF(0, 0), m_image);
        QPainterPath veil;
        veil.setFillRule(Qt::OddEvenFill);
        veil.addRect(rect());
        if (!m_hole.isEmpty())
            veil.addRect(m_hole);
        painter.fillPath(veil, QColor(0, 0, 0, qRound(0.45 * 255)));
    }

private:
    QImage m_image;
    QRectF m_hole;
};

QString describe(const Rendered& r) {
    return QStringLiteral("%1x%2 px (%3x%4 pt)")
        .arg(r.image.width())
        .arg(r.image.height())
        .arg(r.pointSize.width())
        .arg(r.pointSize.height());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Opens the capture canvas over a PNG."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("image"),
                                 QStringLiteral("PNG shown as the screen"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Write the copied, saved or pinned image here."),
                                 QStringLiteral("file"));
    const QCommandLineOption windows(QStringLiteral("window"),
                                     QStringLiteral("A window frame x,y,w,h that a click selects."),
                                     QStringLiteral("rect"));
    parser.addOption(out);
    parser.addOption(windows);
    parser.process(app);

    QTextStream console(stdout);
    if (parser.positionalArguments().size() != 1) {
        console
            << "usage: brindlecap-canvas-demo image.png [--out result.png] [--window x,y,w,h]\n";
        return 2;
    }
    QImage source(parser.positionalArguments().first());
    if (source.isNull()) {
        console << "cannot read " << parser.positionalArguments().first() << "\n";
        return 1;
    }

    // The picture becomes the screen: scaled to the display's device pixels.
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize logical = screen->geometry().size();
    const double ratio = screen->devicePixelRatio();
    QImage frozen = source
                        .scaled((QSizeF(logical) * ratio).toSize(), Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    frozen.setDevicePixelRatio(ratio);

    DemoOverlay overlay(frozen);
    overlay.setGeometry(screen->geometry());
    auto* canvas = new CanvasView(QRect(QPoint(0, 0), logical), frozen, &overlay);
    QObject::connect(canvas, &CanvasView::holeChanged, &overlay, &DemoOverlay::setHole);

    QList<QRectF> rects;
    for (const QString& value : parser.values(windows)) {
        const QStringList parts = value.split(QLatin1Char(','));
        if (parts.size() == 4)
            rects.append(QRectF(parts[0].toDouble(), parts[1].toDouble(), parts[2].toDouble(),
                                parts[3].toDouble()));
    }
    canvas->setWindowRects(rects);

    const QString outPath = parser.value(out);
    canvas->onAutoCopy = [&console](const Rendered& r) {
        console << "live copy " << describe(r) << "\n";
        console.flush();
    };
    canvas->onFinish = [&](const CanvasView::Outcome& outcome) {
        static const char* const names[] = {"copy", "save", "text", "pin", "cancel"};
        console << names[outcome.kind];
        if (outcome.kind == CanvasView::Outcome::copy ||
            outcome.kind == CanvasView::Outcome::save || outcome.kind == CanvasView::Outcome::pin) {
            console << " " << describe(outcome.rendered);
            if (!outPath.isEmpty() && !outcome.rendered.image.save(outPath, "PNG"))
                console << " (could not write " << outPath << ")";
        }
        if (outcome.kind == CanvasView::Outcome::pin)
            console
                << QStringLiteral(" at %1,%2").arg(outcome.pinRect.x()).arg(outcome.pinRect.y());
        console << "\n";
        console.flush();
        QApplication::quit();
    };

    overlay.showFullScreen();
    canvas->setFocus();
    return app.exec();
}
