#include "shortcuts/ShortcutRecorder.h"

#include "platform/X11.h"
#include "settings/Config.h"
#include "shortcuts/HotKeyCenter.h"
#include "shortcuts/KeyCodeTable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr quint32 escapeKey = 53;
constexpr quint32 deleteBackwardsKey = 51;

// The key's character with no modifier applied ("5" for Shift+Ctrl+5, not "%"): from the X
// keyboard map where Qt runs on xcb. Elsewhere only the event's key is known, which already has
// Shift applied.
QString unmodifiedText(const QKeyEvent& event) {
    if (const QString text = X11::unmodifiedKeyText(event.nativeScanCode()); !text.isEmpty())
        return text;
    const int key = event.key();
    return key >= 0x20 && key <= 0xff ? QString(QChar(char16_t(key))) : QString();
}

// Presses of the modifiers themselves come before the key that completes a combination.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

ShortcutRecorder::ShortcutRecorder(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
}

void ShortcutRecorder::setCombo(const std::optional<KeyCombo>& combo) {
    m_combo = combo;
    update();
}

QString ShortcutRecorder::text() const {
    if (m_recording)
        return tr("Presiona la combinación…");
    return m_combo ? m_combo->display : tr("Sin atajo");
}

ShortcutRecorder::Press ShortcutRecorder::interpret(quint32 nativeScanCode,
                                                    Qt::KeyboardModifiers modifiers,
                                                    const QString& unmodifiedText) {
    const std::optional<quint32> keyCode = KeyCodeTable::macFromX11(nativeScanCode);
    if (keyCode && KeyCodeTable::macModifiers(modifiers) == 0) {
        if (*keyCode == escapeKey)
            return {Press::cancel, std::nullopt};
        if (*keyCode == deleteBackwardsKey)
            return {Press::clear, std::nullopt};
    }
    std::optional<KeyCombo> combo = KeyCombo::event(nativeScanCode, modifiers, unmodifiedText);
    return combo ? Press{Press::accept, std::move(combo)} : Press{Press::refuse, std::nullopt};
}

bool ShortcutRecorder::event(QEvent* event) {
    if (m_recording) {
        // Claims keys the window's shortcuts would take (Ctrl+W, Ctrl+,), and Tab before the
        // focus chain does, so that they are recorded.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            handlePress(static_cast<const QKeyEvent&>(*event));
            return true;
        }
    }
    return QWidget::event(event);
}

void ShortcutRecorder::handlePress(const QKeyEvent& event) {
    if (isModifierKey(event.key()))
        return;
    Press press = interpret(event.nativeScanCode(), event.modifiers(), unmodifiedText(event));
    switch (press.kind) {
    case Press::cancel:
        break;
    case Press::clear:
        setCombo(std::nullopt);
        Q_EMIT changed(std::nullopt);
        break;
    case Press::refuse:
        QApplication::beep();
        return;
    case Press::accept:
        setCombo(press.combo);
        Q_EMIT changed(press.combo);
        break;
    }
    stopRecording();
}

void ShortcutRecorder::mousePressEvent(QMouseEvent*) {
    if (m_recording) {
        stopRecording();
        return;
    }
    startRecording();
}

void ShortcutRecorder::startRecording() {
    setFocus(Qt::MouseFocusReason);
    m_recording = true;
    update();
    HotKeyCenter::shared().suspend();
}

void ShortcutRecorder::stopRecording() {
    if (!m_recording)
        return;
    m_recording = false;
    update();
    HotKeyCenter::shared().reload();
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    stopRecording();
    QWidget::focusOutEvent(event);
}

// A closed window may keep its focus widget: the suspension must not outlast it.
void ShortcutRecorder::hideEvent(QHideEvent* event) {
    stopRecording();
    QWidget::hideEvent(event);
}

void ShortcutRecorder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = Config::leafGreen();
    fill.setAlphaF(0.15f);
    painter.setBrush(m_recording ? fill : palette().color(QPalette::Base));
    painter.setPen(m_recording ? QPen(Config::leafGreen(), 2)
                               : QPen(Config::separatorColor(palette()), 1));
    painter.drawRoundedRect(shape, 6, 6);

    const bool showsCombo = m_combo && !m_recording;
    QFont font = this->font();
    font.setPixelSize(13);
    font.setWeight(showsCombo ? QFont::Medium : QFont::Normal);
    painter.setFont(font);
    painter.setPen(showsCombo ? palette().color(QPalette::WindowText)
                              : Config::secondaryLabelColor(palette()));
    painter.drawText(rect(), Qt::AlignCenter, text());
}
