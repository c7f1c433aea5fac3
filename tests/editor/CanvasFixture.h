#pragma once

#include "editor/BarButton.h"
#include "editor/CanvasView.h"
#include "editor/Toolbars.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <memory>
#include <optional>

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(std::optional<Tool>)

// A canvas (400 × 300 points unless told) over a frozen image of the given backing scale, shown
// offscreen, with its callbacks recorded.
struct CanvasFixture {
    explicit CanvasFixture(int scale = 2, QSize size = QSize(400, 300))
        : CanvasFixture(stripes(size * scale), size) {}

    // Over the given frozen image; its size over the canvas size is the backing scale.
    CanvasFixture(QImage image, QSize size) : width(size.width()), height(size.height()) {
        // The test's settings folder outlives a run: start every case from the defaults.
        Prefs::setBool(QStringLiteral("autoCopy"), true);
        Prefs::setBool(QStringLiteral("showLoupe"), true);
        Prefs::setMarkerOpacity(0.4);
        for (Tool tool : Tool::allCases())
            Prefs::setSize(tool.defaultSize(), tool);
        image.setDevicePixelRatio(double(image.width()) / width);
        canvas = std::make_unique<CanvasView>(QRect(QPoint(0, 0), size), image);
        canvas->onAutoCopy = [this](const Rendered& r) { liveCopies.append(r); };
        canvas->onFinish = [this](const CanvasView::Outcome& o) { outcomes.append(o); };
        canvas->show();
        canvas->activateWindow();
        canvas->setFocus();
    }

    // Vertical stripes, so that moved or pixelated areas differ from each other.
    static QImage stripes(QSize pixels) {
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        for (int x = 0; x < image.width(); x += 8)
            painter.fillRect(x, 0, 8, image.height(),
                             (x / 8) % 2 ? QColor(200, 40, 40) : Qt::white);
        return image;
    }

    CanvasView& view() { return *canvas; }

    // A press, one movement and a release, with fractional positions and modifiers where needed
    // (QTest moves carry neither).
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    void click(QPointF at) { drag(at, at); }

    void hover(QPointF at) { send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, {}); }

    void send(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(type, pos, canvas->mapToGlobal(pos), button, buttons, modifiers);
        QApplication::sendEvent(canvas.get(), &event);
    }

    // The tool (or the pointer) as a click on its toolbar button chooses it; a tool already
    // chosen stays.
    void choose(std::optional<Tool> tool) {
        if (!tool)
            canvas->bars().pointerButton()->click();
        else if (canvas->tool() != tool)
            canvas->bars().toolButton(*tool)->click();
    }

    // A selection made the way a user makes it.
    void select(const QRectF& r) { drag(r.topLeft(), r.bottomRight()); }

    const int width;
    const int height;
    std::unique_ptr<CanvasView> canvas;
    QList<Rendered> liveCopies;
    QList<CanvasView::Outcome> outcomes;
};
