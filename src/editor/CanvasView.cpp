#include "editor/CanvasView.h"

#include "annotation/Geometry.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>

CanvasView::CanvasView(const QRect& frame, const QImage& image, QWidget* parent)
    : QWidget(parent), m_flattening(image, QSizeF(frame.size())),
      m_color(Config::palette().first()) {
    setGeometry(frame);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    m_hudTimer = new QTimer(this);
    m_hudTimer->setSingleShot(true);
    connect(m_hudTimer, &QTimer::timeout, this, [this] {
        m_hudText.reset();
        update();
    });
    buildBars();
}

CanvasView::~CanvasView() = default;

QLineEdit* CanvasView::activeField() const {
    return m_activeField.data();
}

QRectF CanvasView::hole() const {
    if (!m_selection.isEmpty())
        return m_selection;
    return m_hoveredWindow.value_or(QRectF());
}

std::optional<Rendered> CanvasView::render() {
    commitText();
    return m_flattening.render(m_selection, m_annotations);
}

void CanvasView::selectionChanged() {
    Q_EMIT holeChanged(hole());
    update();
}

void CanvasView::refreshLiveCopy() {
    if (!Prefs::autoCopy() || m_activeField || m_selection.isEmpty())
        return;
    const std::optional<Rendered> result = render();
    if (result && onAutoCopy)
        onAutoCopy(*result);
}

void CanvasView::clearSelection() {
    cancelText();
    m_selection = QRectF();
    m_annotations.clear();
    m_undoStack.clear();
    m_redoStack.clear();
    m_current.reset();
    m_selectedAnnotation.reset();
    m_bars->hideBars();
    hidePopups();
    selectionChanged();
}

void CanvasView::pin() {
    const std::optional<Rendered> result = render();
    if (!result)
        return;
    const QRect area = Geometry::roundedOutward(m_selection).intersected(bounds().toRect());
    const QRect global(mapToGlobal(area.topLeft()), area.size());
    if (onFinish)
        onFinish(Outcome::makePin(*result, global));
}

void CanvasView::copy() {
    if (const std::optional<Rendered> result = render(); result && onFinish)
        onFinish(Outcome::makeCopy(*result));
}

void CanvasView::saveDocument() {
    if (const std::optional<Rendered> result = render(); result && onFinish)
        onFinish(Outcome::makeSave(*result));
}

void CanvasView::cancelOperation() {
    if (onFinish)
        onFinish(Outcome::makeCancel());
}

void CanvasView::showHUD(const QString& text, bool sticky, double seconds) {
    m_hudText = text;
    m_hudTimer->stop();
    if (!sticky)
        m_hudTimer->start(int(std::lround(seconds * 1000)));
    update();
}

std::optional<QRectF> CanvasView::loupeRect() const {
    if (!Prefs::showLoupe() || !m_mouse || isOverBar(*m_mouse))
        return std::nullopt;
    const bool choosing = m_drag.is<Drag::Selecting>() || m_drag.is<Drag::Resizing>() ||
                          (m_drag.is<Drag::None>() && m_selection.isEmpty());
    if (!choosing)
        return std::nullopt;
    const QPointF m = *m_mouse;
    constexpr double side = 125, offset = 20;
    double x = m.x() + offset;
    if (x + side > bounds().right() - 4)
        x = m.x() - offset - side;
    // Below the pointer on screen, unless that comes within 24 points of the display's bottom.
    double y = m.y() + offset;
    if (y + side > bounds().bottom() - 24)
        y = m.y() - offset - side;
    return QRectF(x, y, side, side);
}
