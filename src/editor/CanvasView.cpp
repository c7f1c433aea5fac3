#include "editor/CanvasView.h"

#include "annotation/Geometry.h"
#include "editor/ToolState.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <cmath>

CanvasView::CanvasView(const QRect& frame, const QImage& image, QWidget* parent)
    : QWidget(parent), m_document(image, QSizeF(frame.size())), m_tools(new ToolState(this)) {
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
    m_bars = std::make_unique<Toolbars>(this, m_tools, Config::palette());
    connectTools();
}

CanvasView::~CanvasView() = default;

void CanvasView::connectTools() {
    connect(m_tools, &ToolState::toolChanged, this, [this](std::optional<Tool> tool) {
        commitText();
        if (tool)
            m_document.deselect();
        update();
    });
    connect(m_tools, &ToolState::colorChanged, this, [this](const QColor& color) {
        if (!m_activeField)
            return;
        QPalette palette = m_activeField->palette();
        palette.setColor(QPalette::Text, color);
        m_activeField->setPalette(palette);
    });
    connect(m_tools, &ToolState::opacityChanged, this, [this](double opacity) {
        showHUD(tr("Opacidad del marcador: %1 %").arg(std::lround(opacity * 100)), false, 1.4);
    });
    connect(m_tools, &ToolState::sizeChanged, this, [this](Tool tool, double size) {
        showHUD(tool.sizeLabel() + QStringLiteral(": ") + QString::number(std::lround(size)) +
                    QStringLiteral(" px"),
                false, 1.4);
    });
    connect(m_bars.get(), &Toolbars::undoClicked, this, &CanvasView::undo);
    connect(m_bars.get(), &Toolbars::redoClicked, this, &CanvasView::redo);
    connect(m_bars.get(), &Toolbars::recognizeTextClicked, this, &CanvasView::recognizeText);
    connect(m_bars.get(), &Toolbars::pinClicked, this, &CanvasView::pin);
    connect(m_bars.get(), &Toolbars::copyClicked, this, &CanvasView::copy);
    connect(m_bars.get(), &Toolbars::saveClicked, this, &CanvasView::saveDocument);
    connect(m_bars.get(), &Toolbars::closeClicked, this, &CanvasView::cancelOperation);
}

QRectF CanvasView::bounds() const {
    return QRectF(QPointF(0, 0), m_document.flattening().viewSize());
}

QRectF CanvasView::hole() const {
    if (!m_selection.isEmpty())
        return m_selection;
    return m_hoveredWindow.value_or(QRectF());
}

std::optional<Rendered> CanvasView::render() {
    commitText();
    return m_document.render(m_selection);
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
    m_document.clear();
    m_bars->hideBars();
    m_bars->hidePopups();
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

void CanvasView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool command = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        copy();
    } else if (key == Qt::Key_Escape) {
        cancelOperation();
    } else if (!command) {
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
            deleteSelectedAnnotation();
    } else if (key == Qt::Key_C) {
        copy();
    } else if (key == Qt::Key_S) {
        saveDocument();
    } else if (key == Qt::Key_Z) {
        if (shift)
            redo();
        else
            undo();
    }
}

void CanvasView::undo() {
    // While typing, undo belongs to the text being typed.
    if (m_activeField)
        m_activeField->undo();
    else if (m_document.undo())
        documentChanged();
}

void CanvasView::redo() {
    if (m_activeField)
        m_activeField->redo();
    else if (m_document.redo())
        documentChanged();
}

void CanvasView::deleteSelectedAnnotation() {
    if (m_document.deleteSelected())
        documentChanged();
}

void CanvasView::documentChanged() {
    update();
    refreshLiveCopy();
}
