#include "settings/Prefs.h"
#include "shortcuts/HotKey.h"
#include "shortcuts/HotKeyCenter.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>

namespace {

constexpr quint32 shiftCommand = 768;
constexpr quint32 nineKey = 25, zeroKey = 29, escapeKey = 53;
// The same keys as another X client names them: X keycodes, Shift|Control.
constexpr int x11EightKey = 17, x11ZeroKey = 19, x11ShiftControl = 5;

void xdotool(const QStringList& arguments) {
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

// Another client of the same X server holding a key combination.
class Grabber {
public:
    Grabber(int keycode, int modifiers, bool plain = false) {
        QStringList arguments{QString::number(keycode), QString::number(modifiers)};
        if (plain) {
            arguments << QStringLiteral("plain");
        }
        m_process.start(qEnvironmentVariable("BRINDLE_BINARY_DIR") +
                            QStringLiteral("/tests/shortcuts/x11_key_grabber"),
                        arguments);
        m_process.waitForStarted();
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        m_answer = m_process.readLine().trimmed();
    }
    ~Grabber() {
        m_process.closeWriteChannel();
        m_process.waitForFinished(5000);
    }
    QByteArray answer() const { return m_answer; }

private:
    QProcess m_process;
    QByteArray m_answer;
};

} // namespace

class tst_HotKeyBackendX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void pressOfTheCombinationRunsTheHandler_data();
    void pressOfTheCombinationRunsTheHandler();
    void combinationHeldByAnotherClientLandsInFailed();
    void secondReloadContinuesTheIdsAndEachPressActsOnce();
    void droppingAHotKeyReleasesItsGrab();
    void refusalKeepsNoPartialGrab();
    void sameCombinationTwiceInOneProcessIsRefused();

private:
    // Presses `keys`, then Escape, and waits for the Escape hot key: by then every earlier press
    // has been handled.
    void pressAndSettle(const QString& keys);

    std::unique_ptr<HotKey> m_escape;
    int m_escapes = 0;
    QList<CaptureAction> m_performed;
};

void tst_HotKeyBackendX11::init() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
              QStringLiteral("Brindlecap"))
        .clear();
    m_performed.clear();
    HotKeyCenter::shared().onAction = [this](CaptureAction action) { m_performed << action; };
    m_escapes = 0;
    m_escape = HotKey::create(escapeKey, 0, [this] { ++m_escapes; });
    QVERIFY(m_escape);
}

void tst_HotKeyBackendX11::cleanup() {
    HotKeyCenter::shared().suspend();
    m_escape.reset();
}

void tst_HotKeyBackendX11::pressAndSettle(const QString& keys) {
    const int escapes = m_escapes;
    xdotool({"key", keys, "Escape"});
    QTRY_COMPARE(m_escapes, escapes + 1);
}

void tst_HotKeyBackendX11::pressOfTheCombinationRunsTheHandler_data() {
    QTest::addColumn<QString>("lockKey");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("runs");

    QTest::newRow("Shift+Ctrl+9") << ""
                                  << "shift+ctrl+9" << 1;
    QTest::newRow("Shift+Ctrl+9 with NumLock on") << "Num_Lock"
                                                  << "shift+ctrl+9" << 1;
    QTest::newRow("Shift+Ctrl+9 with CapsLock on") << "Caps_Lock"
                                                   << "shift+ctrl+9" << 1;
    QTest::newRow("Ctrl+9 is another combination") << ""
                                                   << "ctrl+9" << 0;
    QTest::newRow("Shift+Ctrl+Alt+9 is another combination") << ""
                                                             << "shift+ctrl+alt+9" << 0;
    QTest::newRow("Shift+Ctrl+8 is another key") << ""
                                                 << "shift+ctrl+8" << 0;
}

void tst_HotKeyBackendX11::pressOfTheCombinationRunsTheHandler() {
    QFETCH(QString, lockKey);
    QFETCH(QString, keys);
    QFETCH(int, runs);
    int ran = 0;
    const auto hotKey = HotKey::create(nineKey, shiftCommand, [&ran] { ++ran; });
    QVERIFY(hotKey);
    if (!lockKey.isEmpty()) {
        xdotool({"key", lockKey});
    }
    // The lock goes off again even when a check fails, or it would spoil the other tests.
    const auto unlock = qScopeGuard([&lockKey] {
        if (!lockKey.isEmpty()) {
            QProcess::execute(QStringLiteral("xdotool"), {"key", lockKey});
        }
    });

    pressAndSettle(keys);

    QCOMPARE(ran, runs);
}

void tst_HotKeyBackendX11::combinationHeldByAnotherClientLandsInFailed() {
    Grabber other(x11EightKey, x11ShiftControl);
    QCOMPARE(other.answer(), "grabbed");
    HotKeyCenter& center = HotKeyCenter::shared();

    center.reload();
    pressAndSettle("shift+ctrl+9");

    QCOMPARE(center.failed(), QSet<CaptureAction>{CaptureAction::fullScreen});
    QVERIFY(center.key(CaptureAction::area));
    QVERIFY(center.key(CaptureAction::recents));
    QCOMPARE(m_performed, QList<CaptureAction>{CaptureAction::area});
}

void tst_HotKeyBackendX11::secondReloadContinuesTheIdsAndEachPressActsOnce() {
    HotKeyCenter& center = HotKeyCenter::shared();
    center.reload();
    const quint32 firstArea = center.key(CaptureAction::area)->id();

    center.reload();
    pressAndSettle("shift+ctrl+0");

    QVERIFY(center.failed().isEmpty());
    QCOMPARE(center.key(CaptureAction::area)->id(), firstArea + 3);
    QCOMPARE(center.key(CaptureAction::fullScreen)->id(), firstArea + 4);
    QCOMPARE(center.key(CaptureAction::recents)->id(), firstArea + 5);
    QCOMPARE(m_performed, QList<CaptureAction>{CaptureAction::recents});
}

void tst_HotKeyBackendX11::droppingAHotKeyReleasesItsGrab() {
    auto hotKey = HotKey::create(zeroKey, shiftCommand, [] {});
    QVERIFY(hotKey);
    QCOMPARE(Grabber(x11ZeroKey, x11ShiftControl).answer(), "refused");

    hotKey.reset();

    QCOMPARE(Grabber(x11ZeroKey, x11ShiftControl).answer(), "grabbed");
}

void tst_HotKeyBackendX11::refusalKeepsNoPartialGrab() {
    std::unique_ptr<HotKey> hotKey;
    {
        // Holds only the combination without locks, so our lock variants would succeed.
        Grabber other(x11ZeroKey, x11ShiftControl, true);
        QCOMPARE(other.answer(), "grabbed");

        hotKey = HotKey::create(zeroKey, shiftCommand, [] {});
    }

    QVERIFY(!hotKey);
    QCOMPARE(Grabber(x11ZeroKey, x11ShiftControl).answer(), "grabbed");
}

void tst_HotKeyBackendX11::sameCombinationTwiceInOneProcessIsRefused() {
    int firstRuns = 0;
    const auto first = HotKey::create(nineKey, shiftCommand, [&firstRuns] { ++firstRuns; });

    const auto second = HotKey::create(nineKey, shiftCommand, [] {});
    pressAndSettle("shift+ctrl+9");

    QVERIFY(first);
    QVERIFY(!second);
    QCOMPARE(firstRuns, 1);
}

QTEST_MAIN(tst_HotKeyBackendX11)
#include "tst_HotKeyBackendX11.moc"
