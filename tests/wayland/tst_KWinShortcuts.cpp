// The real program in the headless KWin session with KDE's GlobalShortcuts portal: its stored
// area shortcut reaches KDE's shortcut service as Shift+Ctrl+9, and pressing it there starts an
// area capture.
#include "wayland/KWinSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

namespace {

constexpr int waitMs = 15000;

} // namespace

class tst_KWinShortcuts : public QObject {
    Q_OBJECT

    QProcess m_program;
    QProcessEnvironment m_env;
    QByteArray m_said;

    QDBusConnection bus() const {
        return QDBusConnection::connectToBus(
            m_env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")),
            QStringLiteral("kwin-session"));
    }

    // The KDE shortcut service's answer to "who holds this key": component and action ids.
    QStringList holderOf(int key) const {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
            QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("action"));
        call << key;
        return bus().call(call).arguments().value(0).toStringList();
    }

private Q_SLOTS:
    void initTestCase() {
        m_env = KWinSession::environment();
        QVERIFY2(m_env.contains(QStringLiteral("WAYLAND_DISPLAY")), "no KWin session");
        // The program keeps the test's own home and runtime folder; the compositor's socket is
        // named by its full path.
        const QString runtime = QDir::homePath() + QStringLiteral("/run");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env.insert(QStringLiteral("WAYLAND_DISPLAY"),
                     m_env.value(QStringLiteral("XDG_RUNTIME_DIR")) + u'/' +
                         m_env.value(QStringLiteral("WAYLAND_DISPLAY")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        m_env.insert(QStringLiteral("HOME"), QDir::homePath());
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        m_env.insert(QStringLiteral("BRINDLE_TRACE"), QStringLiteral("1"));
        QFile::remove(runtime + QStringLiteral("/brindlecap.socket"));
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

    void storedAreaShortcutStartsACapture() {
        const int shiftCtrl9 = (Qt::SHIFT | Qt::CTRL | Qt::Key_9).toCombined();
        m_program.setProcessEnvironment(m_env);
        m_program.setProcessChannelMode(QProcess::SeparateChannels);

        m_program.start(QStringLiteral(BRINDLECAP_BINARY), {});

        QVERIFY(m_program.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(holderOf(shiftCtrl9).value(0), u"brindlecap"_qs, waitMs);
        const QStringList holder = holderOf(shiftCtrl9);
        QDBusMessage press = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/component/brindlecap"),
            QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("invokeShortcut"));
        press << holder.value(1) << QStringLiteral("default");
        QCOMPARE(bus().call(press).type(), QDBusMessage::ReplyMessage);
        // The capture's first step, whatever grabber the session has.
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_said += m_program.readAllStandardError()).contains("window finder"), waitMs);
    }
};

QTEST_MAIN(tst_KWinShortcuts)
#include "tst_KWinShortcuts.moc"
