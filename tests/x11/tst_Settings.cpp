// The settings window on the real X server, with the real global shortcuts and key presses
// through the server: recording suspends the shortcuts and a recorded one takes effect, and a
// check box changed in the window decides what the next capture does.
#include "app/CaptureActions.h"
#include "capture/CaptureController.h"
#include "recents/History.h"
#include "settings/Prefs.h"
#include "settings/SettingsWindowController.h"
#include "shortcuts/ShortcutRecorder.h"
#include "x11/RunningProgram.h"

#include <QCheckBox>

class tst_Settings : public QObject {
    Q_OBJECT

    int m_areaCaptures = 0;

private Q_SLOTS:
    void initTestCase() {
        forgetSettings();
        QDir(Prefs::saveFolder()).removeRecursively();
        CaptureActions::setHandler(CaptureAction::area, [this] { ++m_areaCaptures; });
        CaptureActions::setHandler(CaptureAction::fullScreen,
                                   [] { CaptureController::shared().captureFullScreen(); });
        CaptureActions::registerShortcuts();
        QVERIFY(areaShortcutTaken());
    }

    void recordingSuspendsTheShortcutsAndANewOneTakesEffect() {
        SettingsWindowController window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ShortcutRecorder* area = window.recorder(CaptureAction::area);

        QTest::mouseClick(area, Qt::LeftButton);
        QVERIFY(!areaShortcutTaken());
        xdotool("key shift+ctrl+9");
        WAIT_VERIFY(!area->recording());
        QTest::qWait(300);
        QCOMPARE(m_areaCaptures, 0);
        QCOMPARE(area->text(), u"Shift+Ctrl+9"_qs);

        QTest::mouseClick(area, Qt::LeftButton);
        xdotool("key shift+ctrl+7");
        WAIT_VERIFY(!area->recording());
        QCOMPARE(area->text(), u"Shift+Ctrl+7"_qs);
        QCOMPARE(Prefs::combo(CaptureAction::area)->keyCode, 26u);
        xdotool("key shift+ctrl+7");
        WAIT_COMPARE(m_areaCaptures, 1);
        QVERIFY(!areaShortcutTaken());
    }

    // Full-screen captures with the box for saving them off, then on again.
    void changedCheckBoxIsSeenByTheNextCapture() {
        SettingsWindowController window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* saveFullScreen = window.findChild<QCheckBox*>(u"autoSaveBox"_qs);
        const QDir saved(Prefs::saveFolder());
        const auto fullScreenCapture = [] {
            const qsizetype before = History::items().size();
            CaptureActions::perform(CaptureAction::fullScreen);
            return waitFor([&] { return History::items().size() > before; });
        };

        QTest::mouseClick(saveFullScreen, Qt::LeftButton);
        QVERIFY(fullScreenCapture());
        QCOMPARE(saved.entryList(QDir::Files).size(), 0);

        QTest::mouseClick(saveFullScreen, Qt::LeftButton);
        QVERIFY(fullScreenCapture());
        WAIT_COMPARE(saved.entryList(QDir::Files).size(), 1);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_Settings.moc"
