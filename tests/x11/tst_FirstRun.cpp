// The real program's first start on the fixture: what it writes into a settings file the user
// edited, and a capture started while the welcome is still open.
#include "x11/RunningProgram.h"

class tst_FirstRun : public QObject {
    Q_OBJECT

    QProcess m_program;
    QString m_settings =
        qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Brindlecap/Brindlecap.conf"_qs;

    // Starts the program on `settings` and waits for the welcome, found by its title.
    bool start(const QByteArray& settings) {
        if (!writeWholeFile(m_settings, settings))
            return false;
        m_program.start(QStringLiteral(BRINDLECAP_BINARY), {});
        return m_program.waitForStarted() && waitFor([] { return welcomes().size() == 1; });
    }
    static QMap<xcb_window_t, QRect> welcomes() { return shown("--name ^Brindlecap$"); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(!prepare().isEmpty()); }

    void cleanup() {
        escapeOverlays();
        stop(m_program);
    }

    // didShowWelcome not exactly true: only its line changes, comments and values the program
    // reads differently stay. A capture started meanwhile takes the keyboard from the welcome,
    // so the first Escape ends the capture, not the welcome. (That the overlays are drawn above
    // it shows on screen.)
    void welcomeKeepsTheUsersFileAndGivesWayToACapture() {
        const QByteArray edited = "; hand-written\n[General]\nsize.pen=\"7\"\n"
                                  "saveFolder=/tmp/a, b\ndidShowWelcome=yes\n; keep this too\n";
        QVERIFY(start(edited));
        QCOMPARE(readFile(m_settings),
                 QByteArray(edited).replace("didShowWelcome=yes", "didShowWelcome=true"));

        QCOMPARE(brindlecap({"area"}).status, 0);
        QVERIFY(overlaysUp());

        xdotool("key Escape");

        WAIT_COMPARE(overlayCount(), 0);
        QCOMPARE(welcomes().size(), 1);
    }

    // A file the program cannot parse is not rewritten, and the program says so.
    void unreadableSettingsAreLeftAsTheyWere() {
        const QByteArray broken = "[General]\nthis line is no setting\nautoCopy=false\n";
        m_program.setProcessChannelMode(QProcess::SeparateChannels);

        QVERIFY(start(broken));

        QCOMPARE(readFile(m_settings), broken);
        QByteArray said;
        QTRY_VERIFY((said += m_program.readAllStandardError())
                        .contains("no se puede leer como archivo de ajustes; se deja como está"));
    }
};

QTEST_MAIN(tst_FirstRun)
#include "tst_FirstRun.moc"
