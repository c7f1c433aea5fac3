// What a key press does to a recording shortcut recorder, and that every way out of recording
// registers the global hot keys again, after the new shortcut was handed on.
#include "shortcuts/HotKeyCenter.h"
#include "shortcuts/ShortcutRecorder.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace {

// X11 keycodes of the keys pressed below.
constexpr quint32 key5 = 14, keyEscape = 9, keyBackspace = 22;

void press(QWidget* widget, quint32 scanCode, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, 0);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class tst_ShortcutRecorder : public QObject {
    Q_OBJECT

    QStringList m_events;

private Q_SLOTS:
    void interpret_data() {
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("outcome");
        using M = Qt::KeyboardModifier;
        const auto row = [](const char* name, quint32 scanCode, Qt::KeyboardModifiers modifiers,
                            const char* outcome) {
            QTest::newRow(name) << scanCode << modifiers << QString::fromUtf8(outcome);
        };

        row("Shift+Ctrl+5 is key code 23 with modifiers 768", key5,
            M::ShiftModifier | M::ControlModifier, "accept 23/768 Shift+Ctrl+5");
        row("Backspace alone clears", keyBackspace, {}, "clear");
        row("Escape alone cancels", keyEscape, {}, "cancel");
        row("Shift+Escape neither cancels nor makes a shortcut", keyEscape, M::ShiftModifier,
            "refuse");
    }
    void interpret() {
        QFETCH(quint32, scanCode);
        QFETCH(Qt::KeyboardModifiers, modifiers);

        const auto [kind, combo] =
            ShortcutRecorder::interpret(scanCode, modifiers, scanCode == key5 ? u"5"_qs : u""_qs);

        const char* kinds[] = {"cancel", "clear", "refuse", "accept"};
        QString outcome = QString::fromLatin1(kinds[kind]);
        if (combo)
            outcome +=
                u" %1/%2 %3"_qs.arg(combo->keyCode).arg(combo->modifiers).arg(combo->display);
        QTEST(outcome, "outcome");
    }

    // Backspace hands on no shortcut; the focus going elsewhere ends recording too. Each ending
    // registers the hot keys again, after the new shortcut was handed on. (Recording a shortcut
    // is tst_Settings's, on the X server.)
    void recordingEndsRegisterTheHotKeysAgain() {
        HotKeyCenter::shared().bindings = [this] {
            m_events << u"reload"_qs;
            return QList<HotKeyCenter::Binding>();
        };
        QWidget window;
        auto* recorder = new ShortcutRecorder(&window);
        auto* other = new QLineEdit(&window);
        other->move(0, 40);
        recorder->setCombo(KeyCombo{25, 768, u"Shift+Ctrl+9"_qs});
        connect(recorder, &ShortcutRecorder::changed, this,
                [this](const std::optional<KeyCombo>& combo) {
                    m_events << (combo ? combo->display : u"none"_qs);
                });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseClick(recorder, Qt::LeftButton);
        press(recorder, keyBackspace, Qt::Key_Backspace);
        QCOMPARE(recorder->text(), u"Sin atajo"_qs);
        QTest::mouseClick(recorder, Qt::LeftButton);
        other->setFocus();

        QVERIFY(!recorder->recording());
        QCOMPARE(m_events, QStringList({u"none"_qs, u"reload"_qs, u"reload"_qs}));
        HotKeyCenter::shared().bindings = {};
    }
};

QTEST_MAIN(tst_ShortcutRecorder)
#include "tst_ShortcutRecorder.moc"
