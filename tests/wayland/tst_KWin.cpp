// The headless KWin session, which this test joins as a client: ScreenShot2 brings each screen
// back at its device size with its own content, and the real program's stored area shortcut
// reaches KDE's shortcut service through the GlobalShortcuts portal as Shift+Ctrl+9, where
// pressing it starts an area capture.
#include "capture/ScreenGrabber.h"
#include "wayland/SessionEnvironment.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QWidget>

namespace {

constexpr int waitMs = 15000;

QProcessEnvironment session() {
    return sessionEnvironment(qEnvironmentVariable("BRINDLE_KWIN_STATE"));
}

} // namespace

class tst_KWin : public QObject {
    Q_OBJECT

    QProcess m_program;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QByteArray m_said;

    QDBusConnection bus() const {
        return QDBusConnection::connectToBus(m_env.value(u"DBUS_SESSION_BUS_ADDRESS"_qs),
                                             u"kwin-session"_qs);
    }

    // The KDE shortcut service's answer to "who holds this key": component and action ids.
    QStringList holderOf(int key) const {
        QDBusMessage call =
            QDBusMessage::createMethodCall(u"org.kde.kglobalaccel"_qs, u"/kglobalaccel"_qs,
                                           u"org.kde.KGlobalAccel"_qs, u"action"_qs);
        call << key;
        return bus().call(call).arguments().value(0).toStringList();
    }

private Q_SLOTS:
    void initTestCase() {
        m_env.insert(session());
        // The program keeps the test's own home and runtime folder; the compositor's socket is
        // named by its full path.
        const QString runtime = QDir::homePath() + u"/run"_qs;
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env.insert(u"WAYLAND_DISPLAY"_qs, m_env.value(u"XDG_RUNTIME_DIR"_qs) + u'/' +
                                                m_env.value(u"WAYLAND_DISPLAY"_qs));
        m_env.insert(u"XDG_RUNTIME_DIR"_qs, runtime);
        m_env.insert(u"HOME"_qs, QDir::homePath());
        m_env.insert(u"QT_QPA_PLATFORM"_qs, u"wayland"_qs);
        m_env.insert(u"BRINDLE_TRACE"_qs, u"1"_qs);
        QFile::remove(runtime + u"/brindlecap.socket"_qs);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
            .setValue("didShowWelcome", true);
    }

    void cleanupTestCase() {
        if (m_program.state() == QProcess::NotRunning)
            return;
        m_program.terminate();
        if (!m_program.waitForFinished(waitMs))
            m_program.kill();
        m_program.waitForFinished();
    }

    // KWin places new windows on the first output whatever screen Qt asks for, so one coloured
    // window there tells the two outputs apart.
    void grabsEachScreenAtDeviceSizeWithItsOwnContent() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        const QColor colour(200, 30, 40);
        QWidget window;
        window.setStyleSheet(u"background: %1"_qs.arg(colour.name()));
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

    void storedAreaShortcutStartsACapture() {
        const int shiftCtrl9 = (Qt::SHIFT | Qt::CTRL | Qt::Key_9).toCombined();
        m_program.setProcessEnvironment(m_env);
        m_program.setProcessChannelMode(QProcess::SeparateChannels);

        m_program.start(QStringLiteral(BRINDLECAP_BINARY), {});

        QVERIFY(m_program.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(holderOf(shiftCtrl9).value(0), u"brindlecap"_qs, waitMs);
        const QStringList holder = holderOf(shiftCtrl9);
        QDBusMessage press = QDBusMessage::createMethodCall(
            u"org.kde.kglobalaccel"_qs, u"/component/brindlecap"_qs,
            u"org.kde.kglobalaccel.Component"_qs, u"invokeShortcut"_qs);
        press << holder.value(1) << u"default"_qs;
        QCOMPARE(bus().call(press).type(), QDBusMessage::ReplyMessage);
        // The capture's first step, whatever grabber the session has.
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_said += m_program.readAllStandardError()).contains("window finder"), waitMs);
    }
};

int main(int argc, char** argv) {
    const QProcessEnvironment env = session();
    if (!env.contains(u"WAYLAND_DISPLAY"_qs)) {
        std::fprintf(stderr, "no KWin session\n");
        return 1;
    }
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS"})
        qputenv(name, env.value(QString::fromLatin1(name)).toUtf8());
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication app(argc, argv);
    tst_KWin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_KWin.moc"
