// ScreenShot2 in the headless KWin session: each screen comes back at its device size with its
// own content, a full-screen window of a different colour on each output.
#include "capture/ScreenGrabber.h"
#include "wayland/KWinSession.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <QWidget>

class tst_ScreenGrabberKWin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // KWin places new windows on the first output whatever screen Qt asks for, so one coloured
    // window there tells the two outputs apart.
    void eachScreenAtDeviceSizeWithItsOwnContent() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        const QColor colour(200, 30, 40);
        QWidget window;
        window.setStyleSheet(QStringLiteral("background: %1").arg(colour.name()));
        window.setScreen(screens[0]);
        window.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.screen(), screens[0]);
        QTest::qWait(500); // the compositor shows the window's first frame
        std::unique_ptr<ScreenGrabber> grabber = ScreenGrabberKWin::create();
        QVERIFY(grabber);
        std::optional<GrabResult> result;

        grabber->capture(screens, [&](GrabResult grabbed) { result = std::move(grabbed); });

        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000);
        QVERIFY2(result->ok(), qPrintable(result->message()));
        QCOMPARE((*result)->size(), 2);
        for (int i = 0; i < 2; ++i) {
            const Shot& shot = (**result)[i];
            QCOMPARE(shot.screen.data(), screens[i]);
            QCOMPARE(shot.image.size(),
                     screens[i]->geometry().size() * int(screens[i]->devicePixelRatio()));
            const QColor centre(shot.image.pixel(shot.image.width() / 2, shot.image.height() / 2));
            QCOMPARE(centre == colour, i == 0);
        }
    }
};

// The test is a client of the KWin session itself.
int main(int argc, char** argv) {
    const QProcessEnvironment session = KWinSession::environment();
    if (!session.contains(QStringLiteral("WAYLAND_DISPLAY"))) {
        std::fprintf(stderr, "no KWin session\n");
        return 1;
    }
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS"})
        qputenv(name, session.value(QString::fromLatin1(name)).toUtf8());
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication app(argc, argv);
    tst_ScreenGrabberKWin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ScreenGrabberKWin.moc"
