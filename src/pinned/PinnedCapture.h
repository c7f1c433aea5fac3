#pragma once

#include "annotation/Rendered.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QWidget>

class PinnedView;

// A finished capture floating above other windows where it was taken, until the user closes
// it; later captures leave it alone. It never takes the keyboard focus.
class PinnedCapture : public QWidget {
    Q_OBJECT

public:
    // frame: the capture's place in global logical coordinates.
    PinnedCapture(Rendered rendered, const QRect& frame);

    // Opens one over frame without activating it and keeps it among the open ones.
    static PinnedCapture* pin(const Rendered& rendered, const QRect& frame);
    // The windows still open, which this list keeps alive.
    static const QList<PinnedCapture*>& open();

    const Rendered& rendered() const { return m_rendered; }

    // Closes the window for good.
    void dismiss();
    // Puts the image on the clipboard (no history entry) and says so in a toast.
    void copyImage();
    // Resizes about the window's centre, keeping the image's proportions and staying between a
    // fifth and three times the captured size.
    void zoom(double factor);

    // The size factor of one wheel event: vertical delta in pixels for a touchpad, else in
    // notches; at most 20 % either way.
    static double wheelFactor(double delta, bool precise);
    // The window width after zooming from width by factor, within the limits of captured.
    static double zoomedWidth(double width, double factor, double captured);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Rendered m_rendered;
    PinnedView* m_view;
};

// The pinned window's picture: drags the window, zooms with the wheel, closes on a double click
// and offers copy, save and close on the right button.
class PinnedView : public QWidget {
    Q_OBJECT

public:
    explicit PinnedView(PinnedCapture* panel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    PinnedCapture* m_panel;
    QImage m_image;
    bool m_hovering = false;
    // Where the pointer holds the window while dragging it, from its top-left corner.
    std::optional<QPoint> m_grab;
};
