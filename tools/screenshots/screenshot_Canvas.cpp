// Renders the capture canvas over a made-up frozen screen to PNG files for review by eye: the
// start hint, the loupe, every tool, the bars and their popups. Run through scripts/screenshots.sh,
// which sets the backing scale with QT_SCALE_FACTOR and a throwaway settings folder.
#include "capture/DimView.h"
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/CanvasView.h"
#include "editor/ToolState.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

constexpr QSize screenSize(960, 600);

// A desktop with two windows of text, drawn at the given backing scale.
QImage fakeScreen(double scale) {
    QImage image(screenSize * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, screenSize.width(), screenSize.height());
    sky.setColorAt(0, QColor(40, 80, 140));
    sky.setColorAt(1, QColor(200, 150, 110));
    painter.fillRect(QRect(QPoint(), screenSize), sky);
    QFont font;
    font.setPixelSize(15);
    painter.setFont(font);
    const auto window = [&painter](const QRect& frame, const QColor& body, const QColor& text) {
        painter.fillRect(frame, body);
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), 26)), QColor(60, 60, 66));
        painter.setPen(text);
        for (int y = 56; y < frame.height() - 8; y += 26)
            painter.drawText(
                frame.topLeft() + QPoint(16, y),
                QStringLiteral("Línea %1 de un texto de ejemplo: 0123456789").arg((y - 30) / 26));
    };
    window(QRect(60, 120, 420, 300), QColor(250, 248, 240), QColor(40, 40, 40));
    window(QRect(520, 80, 380, 260), QColor(30, 32, 36), QColor(120, 230, 120));
    return image;
}

// The overlay window as a capture shows it: the frozen screen, the veil and the canvas.
class Overlay : public QWidget {
public:
    explicit Overlay(QImage screen) : m_screen(std::move(screen)) {
        resize(screenSize);
        canvas = new CanvasView(rect(), m_screen, this);
        auto* dim = new DimView(this);
        dim->resize(screenSize);
        dim->stackUnder(canvas);
        connect(canvas, &CanvasView::holeChanged, dim, &DimView::setHole);
        canvas->setWindowRects({QRectF(60, 120, 420, 300), QRectF(520, 80, 380, 260)});
    }

    CanvasView* canvas;

    void press(QPointF p) { send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void dragTo(QPointF p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPointF p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void hover(QPointF p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void drag(QPointF from, QPointF to) {
        press(from);
        dragTo(to);
        release(to);
    }
    void click(QPointF p) { drag(p, p); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(QPointF(0, 0), m_screen); }

private:
    void send(QEvent::Type type, QPointF p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, p, canvas->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    }

    QImage m_screen;
};

bool save(QWidget& widget, const QDir& out, const QString& name, const QString& suffix) {
    const QString path = out.filePath(name + suffix + QStringLiteral(".png"));
    const bool saved = widget.grab().save(path);
    std::fprintf(saved ? stdout : stderr, saved ? "%s\n" : "could not write %s\n",
                 qPrintable(path));
    return saved;
}

// The tools bar's one button without a symbol.
BarButton* colorButton(const CanvasView& canvas) {
    for (BarButton* button : canvas.findChildren<BarButton*>())
        if (button->symbol().isEmpty() && qobject_cast<BarView*>(button->parent()))
            return button;
    return nullptr;
}

// Draws one of each annotation inside the selection (140, 150, 560, 300).
void drawEveryTool(Overlay& o) {
    ToolState& c = o.canvas->tools();
    const auto use = [&c](Tool tool) { c.setTool(tool); };
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
    c.setColor(Config::palette().at(2));
    use(Tool::marker);
    o.drag(QPointF(190, 300), QPointF(420, 300));
    c.setColor(Config::palette().at(3));
    use(Tool::number);
    o.click(QPointF(480, 300));
    o.click(QPointF(530, 300));
    use(Tool::pixelate);
    o.drag(QPointF(330, 360), QPointF(440, 410));
    c.setColor(Config::palette().at(0));
    use(Tool::text);
    o.click(QPointF(170, 400));
    if (auto* field = o.canvas->findChild<QLineEdit*>())
        field->setText(QStringLiteral("Revisar esto ✓"));
    c.setTool(std::nullopt);
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
        o.canvas->tools().setSize(Tool::pen, 5); // its message shows for a while
        ok &= save(o, out, QStringLiteral("canvas-every-tool"), suffix);

        o.canvas->tools().setTool(Tool::pen);
        ok &= save(o, out, QStringLiteral("canvas-size-bar"), suffix);
        colorButton(*o.canvas)->click();
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
