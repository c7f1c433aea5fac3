#pragma once

#include "shortcuts/KeyCombo.h"

#include <QWidget>

#include <optional>

class QKeyEvent;

// Shows one action's shortcut and records a new one: a click starts recording, the next key press
// becomes the shortcut, clears it (Backspace), cancels (Escape) or beeps. While it records every
// global hot key is suspended, so a registered combination reaches it instead of starting a
// capture; every way out of recording registers them again.
class ShortcutRecorder : public QWidget {
    Q_OBJECT

public:
    explicit ShortcutRecorder(QWidget* parent = nullptr);

    std::optional<KeyCombo> combo() const { return m_combo; }
    // From outside (the settings' refresh, a refused change); emits nothing.
    void setCombo(const std::optional<KeyCombo>& combo);
    bool recording() const { return m_recording; }
    // What the widget shows now.
    QString text() const;

    // What a press while recording does; keys are X11 keycodes, as QKeyEvent::nativeScanCode().
    struct Press {
        enum Kind { cancel, clear, refuse, accept };
        Kind kind;
        std::optional<KeyCombo> combo; // accept: the new shortcut
    };
    static Press interpret(quint32 nativeScanCode, Qt::KeyboardModifiers modifiers,
                           const QString& unmodifiedText);

    QSize sizeHint() const override { return {190, 26}; }

Q_SIGNALS:
    // The user set or cleared the shortcut; runs before the hot keys are registered again.
    void changed(const std::optional<KeyCombo>& combo);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void startRecording();
    void stopRecording();
    void handlePress(const QKeyEvent& event);

    std::optional<KeyCombo> m_combo;
    bool m_recording = false;
};
