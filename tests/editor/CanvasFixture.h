#pragma once

#include "editor/CanvasView.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <memory>
#include <optional>

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(std::optional<Tool>)

// A 400 × 300 point canvas over a 2× frozen image, shown offscreen, with its callbacks recorded.
struct CanvasFixture {
    static constexpr int width = 400;
    static constexpr int height = 300;

    CanvasFixture() {
        // The test's settings folder outlives a run: start every case from the defaults.
        Prefs::setBool(QStringLiteral("autoCopy"), true);
        Prefs::setMarkerOpacity(0.4);
        for (Tool tool : Tool::allCases())
            Prefs::setSize(tool.defaultSize(), tool);
        QImage image(width * 2, height * 2, QImage::Format_ARGB32_Premultiplied);
        // Vertical stripes, so that moved or pixelated areas differ from each other.
        QPainter painter(&image);
        for (int x = 0; x < image.width(); x += 8)
            painter.fillRect(x, 0, 8, image.height(),
                             (x / 8) % 2 ? QColor(200, 40, 40) : Qt::white);
        painter.end();
        image.setDevicePixelRatio(2);
        canvas = std::make_unique<CanvasView>(QRect(0, 0, width, height), image);
        canvas->onAutoCopy = [this](const Rendered& r) { liveCopies.append(r); };
        canvas->onFinish = [this](const CanvasView::Outcome& o) { outcomes.append(o); };
        canvas->show();
        canvas->activateWindow();
        canvas->setFocus();
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

    // A selection made the way a user makes it.
    void select(const QRectF& r) { drag(r.topLeft(), r.bottomRight()); }

    std::unique_ptr<CanvasView> canvas;
    QList<Rendered> liveCopies;
    QList<CanvasView::Outcome> outcomes;
};
