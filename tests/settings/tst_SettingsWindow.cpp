// The settings window and its shortcut recorders on the test's own settings file, history folder
// and autostart folder.
#include "TestHome.h"
#include "platform/Autostart.h"
#include "recents/History.h"
#include "settings/Prefs.h"
#include "settings/SettingsWindowController.h"
#include "shortcuts/HotKeyCenter.h"
#include "shortcuts/ShortcutRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

void press(QWidget* widget, quint32 scanCode, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, 0);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class tst_SettingsWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).removeRecursively();
        QDir(History::folder()).removeRecursively();
    }

    // Shift+Ctrl+8 pressed into the area recorder while full screen has it.
    void conflictKeepsTheOldShortcut() {
        SettingsWindowController window;
        window.show();
        ShortcutRecorder* area = window.recorder(CaptureAction::area);

        QTest::mouseClick(area, Qt::LeftButton);
        press(area, 17, Qt::Key_8, Qt::ShiftModifier | Qt::ControlModifier);

        const auto* warning = window.findChild<QLabel*>(u"warning"_qs);
        QVERIFY(warning && !warning->isHidden());
        QCOMPARE(warning->text(), u"Shift+Ctrl+8 ya se usa para “Capturar pantalla completa”."_qs);
        QCOMPARE(area->text(), u"Shift+Ctrl+9"_qs);
        QCOMPARE(Prefs::combo(CaptureAction::area)->keyCode, 25u);
    }

    // Backspace hands on no shortcut; the focus going elsewhere ends recording too. Each ending
    // registers the hot keys again, after the new shortcut was handed on. (Recording a shortcut
    // is tst_Settings's, on the X server.)
    void recordingEndsRegisterTheHotKeysAgain() {
        QStringList events;
        HotKeyCenter::shared().bindings = [&events] {
            events << u"reload"_qs;
            return QList<HotKeyCenter::Binding>();
        };
        QWidget window;
        auto* recorder = new ShortcutRecorder(&window);
        auto* other = new QLineEdit(&window);
        other->move(0, 40);
        recorder->setCombo(KeyCombo{25, 768, u"Shift+Ctrl+9"_qs});
        connect(recorder, &ShortcutRecorder::changed, this,
                [&events](const std::optional<KeyCombo>& combo) {
                    events << (combo ? combo->display : u"none"_qs);
                });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseClick(recorder, Qt::LeftButton);
        press(recorder, 22, Qt::Key_Backspace);
        QCOMPARE(recorder->text(), u"Sin atajo"_qs);
        QTest::mouseClick(recorder, Qt::LeftButton);
        other->setFocus();

        QVERIFY(!recorder->recording());
        QCOMPARE(events, QStringList({u"none"_qs, u"reload"_qs, u"reload"_qs}));
        HotKeyCenter::shared().bindings = {};
    }

    void roundedPercent_data() {
        QTest::addColumn<int>("slider");
        QTest::addColumn<int>("percent");
        QTest::newRow("42 goes down to 40") << 42 << 40;
        QTest::newRow("43 goes up to 45") << 43 << 45;
    }
    void roundedPercent() {
        QFETCH(int, slider);

        QTEST(SettingsWindowController::roundedPercent(slider), "percent");
    }

    // The box writes and removes the autostart file; when a file takes the autostart folder's
    // place, the box goes back and an alert says why.
    void loginBoxWritesAndRemovesTheAutostartFile() {
        SettingsWindowController window;
        window.show();
        auto* login = window.findChild<QCheckBox*>(u"loginBox"_qs);
        QVERIFY(login);
        QString alert;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&alert] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                alert = box->text();
                box->reject();
            }
        });
        poll.start(20);

        login->click();
        QVERIFY(readFile(Autostart::filePath())
                    .contains("\nExec=env BRINDLE_START_ONLY=1 \"brindlecap-app\"\n"));
        window.show();
        QVERIFY(login->isChecked());
        login->click();
        QVERIFY(!QFile::exists(Autostart::filePath()));
        const QString folder = QFileInfo(Autostart::filePath()).path();
        QVERIFY(QDir(folder).removeRecursively() && writeWholeFile(folder, {}));
        login->click();

        QVERIFY(!login->isChecked());
        QVERIFY2(alert.contains(u"autostart"_qs), qPrintable(alert));
    }
};

QTEST_MAIN(tst_SettingsWindow)
#include "tst_SettingsWindow.moc"
