#pragma once

#include "capture/Shot.h"

#include <QPointer>
#include <QWidget>

class CanvasView;
class DimView;

// Covers one display during an area capture: the frozen image, the veil with its hole and the
// canvas on top. Frameless, above every other window, on every desktop, without a taskbar entry.
class OverlayWindow : public QWidget {
    Q_OBJECT

public:
    explicit OverlayWindow(const Shot& shot);
    ~OverlayWindow() override;

    // Does ahead what the first overlay of the process would otherwise wait for.
    static void prepare();

    // Shows the window with the frozen image already on the display where the platform allows.
    void showFrozen();

    CanvasView* canvas() const { return m_canvas; }
    DimView* dimView() const { return m_dim; }
    QScreen* screen() const { return m_screen; }
    // The display's frame in global logical pixels.
    QRect frame() const { return m_frame; }

    // Takes the keyboard: focus to the canvas, and on X11 an active grab, since the window
    // manager never gives focus to a window it does not manage.
    void makeKey();
    // Gives the keyboard back; the one that clicked another overlay loses it to that one.
    void releaseKeys();

    // Called once, when the first frame is on the display; for start-up tracing.
    std::function<void()> onFirstPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void grabKeys(int attemptsLeft);
    void markPainted();

    QPointer<QScreen> m_screen;
    QRect m_frame;
    QImage m_image;
    DimView* m_dim = nullptr;
    CanvasView* m_canvas = nullptr;
    bool m_painted = false;
    bool m_wantsKeys = false;
};
