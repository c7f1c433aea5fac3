// Renders the capture canvas over a made-up frozen screen to PNG files for review by eye: the
// start hint, the loupe, every tool, the bars and their popups. Run through scripts/screenshots.sh,
// which sets the backing scale with QT_SCALE_FACTOR and a throwaway settings folder.
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/CanvasView.h"
#include "editor/PaletteView.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

constexpr QSize screenSize(960, 600);

// A desktop with two windows and some text, drawn at the given backing scale.
QImage fakeScreen(double scale) {
    QImage image(screenSize * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, screenSize.width(), screenSize.height());
    sky.setColorAt(0, QColor(40, 80, 140));
    sky.setColorAt(1, QColor(200, 150, 110));
    painter.fillRect(QRect(QPoint(), screenSize), sky);
    const auto window = [&painter](const QRect& frame, const QString& title, const QColor& body) {
        painter.fillRect(frame, body);
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), 26)), QColor(60, 60, 66));
        painter.setPen(Qt::white);
        QFont font;
        font.setPixelSize(13);
        painter.setFont(font);
        painter.drawText(frame.adjusted(10, 0, 0, 0).topLeft() + QPoint(0, 18), title);
    };
    window(QRect(60, 120, 420, 300), QStringLiteral("Notas"), QColor(250, 248, 240));
    window(QRect(520, 80, 380, 260), QStringLiteral("Terminal"), QColor(30, 32, 36));
    painter.setPen(QColor(40, 40, 40));
    QFont font;
    font.setPixelSize(15);
    painter.setFont(font);
    for (int line = 0; line < 9; ++line)
        painter.drawText(
            QPoint(80, 175 + line * 26),
            QStringLiteral("Línea %1 de un texto de ejemplo: 0123456789").arg(line + 1));
    painter.setPen(QColor(120, 230, 120));
    font.setFamily(QStringLiteral("DejaVu Sans Mono"));
    painter.setFont(font);
    for (int line = 0; line < 7; ++line)
        painter.drawText(QPoint(536, 135 + line * 24),
                         QStringLiteral("$ make -j2 target%1").arg(line));
    return image;
}

// What the overlay window shows beneath the canvas: the frozen screen and the dim veil.
class Overlay : public QWidget {
public:
    explicit Overlay(QImage screen) : m_screen(std::move(screen)) {
        resize(screenSize);
        canvas = new CanvasView(rect(), m_screen, this);
        connect(canvas, &CanvasView::holeChanged, this, [this](const QRectF& hole) {
            m_hole = hole;
            update();
        });
        canvas->setWindowRects({QRectF(60, 120, 420, 300), QRectF(520, 80, 380, 260)});
    }

    CanvasView* canvas;

    void press(QPointF p) { send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void dragTo(QPointF p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPointF p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void hover(QPointF p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void drag(QPointF from, QPointF to) {
        press(from);
        dragTo((from + to) / 2);
        dragTo(to);
        release(to);
    }
    void click(QPointF p) { drag(p, p); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(QPointF(0, 0), m_screen);
        QPainterPath veil;
        veil.setFillRule(Qt::OddEvenFill);
        veil.addRect(rect());
        if (!m_hole.isEmpty())
            veil.addRect(m_hole);
        painter.fillPath(veil, QColor(0, 0, 0, qRound(0.45 * 255)));
    }

private:
    void send(QEvent::Type type, QPointF p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, p, canvas->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    }

    QImage m_screen;
    QRectF m_hole;
};

bool save(QWidget& widget, const QDir& out, const QString& name, const QString& suffix) {
    const QString path = out.filePath(name + suffix + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Draws one of each annotation inside the selection (140, 150, 560, 300).
void drawEveryTool(Overlay& o) {
    CanvasView& c = *o.canvas;
    const auto use = [&c](Tool tool) { c.bars().toolButton(tool)->click(); };
    use(Tool::pen);
    o.press(QPointF(170, 190));
    for (int i = 1; i <= 20; ++i)
        o.dragTo(QPointF(170 + i * 6, 190 + 25 * std::sin(i / 3.0)));
    o.release(QPointF(290, 200));
    use(Tool::line);
    o.drag(QPointF(170, 250), QPointF(300, 250));
    use(Tool::arrow);
    o.drag(QPointF(330, 330), QPointF(440, 250));
    use(Tool::rect);
    o.drag(QPointF(470, 170), QPointF(640, 240));
    c.pick(QColor(Config::palette().at(2)));
    use(Tool::marker);
    o.drag(QPointF(190, 300), QPointF(420, 300));
    c.pick(QColor(Config::palette().at(3)));
    use(Tool::number);
    o.drag(QPointF(480, 300), QPointF(480, 300));
    o.drag(QPointF(530, 300), QPointF(530, 300));
    use(Tool::pixelate);
    o.drag(QPointF(330, 360), QPointF(440, 410));
    c.pick(QColor(Config::palette().at(0)));
    use(Tool::text);
    o.drag(QPointF(170, 400), QPointF(170, 400));
    if (QLineEdit* field = c.activeField())
        field->setText(QStringLiteral("Revisar esto ✓"));
    c.bars().pointerButton()->click();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const double scale = qApp->devicePixelRatio();
    const QString suffix = QStringLiteral("@%1x").arg(qRound(scale));
    Prefs::setBool(QLatin1String(Prefs::Keys::showLoupe), true);
    bool ok = true;

    {
        Overlay o(fakeScreen(scale));
        o.show();
        o.hover(QPointF(300, 260));
        ok &= save(o, out, QStringLiteral("canvas-start"), suffix);
        o.press(QPointF(140, 150));
        o.dragTo(QPointF(700, 450));
        ok &= save(o, out, QStringLiteral("canvas-selecting"), suffix);
        o.release(QPointF(700, 450));

        drawEveryTool(o);
        o.click(QPointF(470, 205));
        o.canvas->showHUD(QStringLiteral("Grosor del lápiz: 5 px"), true, 0);
        ok &= save(o, out, QStringLiteral("canvas-every-tool"), suffix);

        o.canvas->bars().toolButton(Tool::pen)->click();
        ok &= save(o, out, QStringLiteral("canvas-size-bar"), suffix);
        o.canvas->bars().colorButton()->click();
        ok &= save(o, out, QStringLiteral("canvas-palette"), suffix);

        o.press(QPointF(700, 450));
        o.dragTo(QPointF(760, 500));
        ok &= save(o, out, QStringLiteral("canvas-resizing"), suffix);
        o.release(QPointF(760, 500));
    }
    {
        // A selection filling the display: label and bars fall back inside it.
        Overlay o(fakeScreen(scale));
        o.show();
        o.drag(QPointF(0, 0), QPointF(960, 600));
        o.hover(QPointF(940, 590));
        ok &= save(o, out, QStringLiteral("canvas-full-display"), suffix);
    }
    return ok ? 0 : 1;
}
