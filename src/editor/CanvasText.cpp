#include "editor/CanvasView.h"
#include "editor/ToolState.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>

void CanvasView::beginText(QPointF p) {
    const QFont& font = Annotation::textFont();
    const int height = int(std::ceil(QFontMetricsF(font).lineSpacing())) + 2;

    auto* field = new QLineEdit(this);
    field->setFrame(false);
    field->setFont(font);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, m_tools->color());
    field->setPalette(palette);
    field->setGeometry(Selection::textFieldFrame(p, height, m_selection));
    field->installEventFilter(this);
    field->show();
    m_activeField = field;
    field->setFocus(Qt::OtherFocusReason);
}

void CanvasView::commitText() {
    if (!m_activeField)
        return;
    QLineEdit* field = m_activeField;
    // Cleared first: removing the field moves the focus, which would commit again.
    m_activeField = nullptr;

    QColor color = field->palette().color(QPalette::Text);
    if (!color.isValid())
        color = m_tools->color();
    const QRect frame = field->geometry();
    auto annotation = std::make_shared<Annotation>(Tool::text, color, QPointF(frame.topLeft()));
    annotation->points = {QPointF(frame.topLeft())};
    annotation->text = field->text();
    annotation->textHeight = frame.height();

    field->removeEventFilter(this);
    field->hide();
    field->deleteLater();

    const bool kept = m_document.add(annotation);
    setFocus(Qt::OtherFocusReason);
    update();
    if (kept)
        refreshLiveCopy();
}

void CanvasView::cancelText() {
    if (!m_activeField)
        return;
    QLineEdit* field = m_activeField;
    m_activeField = nullptr;
    field->removeEventFilter(this);
    field->hide();
    field->deleteLater();
    setFocus(Qt::OtherFocusReason);
    update();
}

bool CanvasView::cancelTyping() {
    const bool typing = m_activeField;
    cancelText();
    return typing;
}

bool CanvasView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_activeField)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        // Return and Escape end the typing and never reach the canvas's own key map.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitText();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cancelText();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Losing the focus to another widget ends the typing; a deactivated window or an
        // opened context menu does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            commitText();
    }
    return QWidget::eventFilter(watched, event);
}
