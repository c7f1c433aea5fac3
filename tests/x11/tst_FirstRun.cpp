// The real program's first start on the fixture: what it writes into a settings file the user
// edited, and a capture started while the welcome is still open.
#include "platform/X11.h"
#include "x11/RunningProgram.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <xcb/xcb.h>

namespace {

using RunningProgram::waitMs;
using RunningProgram::windows;
using RunningProgram::xdotool;

// The welcome by its title, the overlays by covering a monitor.
QList<xcb_window_t> welcomeWindows() {
    QList<xcb_window_t> found;
    for (const QString& id : xdotool({"search", "--onlyvisible", "--name", "^Brindlecap$"})
                                 .split('\n', Qt::SkipEmptyParts))
        found << id.toUInt();
    return found;
}

QList<xcb_window_t> overlayWindows() {
    static const QRegularExpression overlay(
        QStringLiteral("Window (\\d+)\\n[^\\n]*\\n\\s*Geometry: 1920x1080"));
    QList<xcb_window_t> found;
    for (const auto& match : overlay.globalMatch(windows()))
        found << match.captured(1).toUInt();
    return found;
}

// Position among the root's children, bottom to top, of the top-level window holding `window`
// (a managed window sits in its window manager's frame).
int stackingIndex(xcb_window_t window) {
    xcb_connection_t* c = X11::connection();
    const auto tree = [c](xcb_window_t of) {
        return X11::Reply<xcb_query_tree_reply_t>(
            xcb_query_tree_reply(c, xcb_query_tree(c, of), nullptr));
    };
    for (auto up = tree(window); up && up->parent != X11::rootWindow(); up = tree(window))
        window = up->parent;
    const auto top = tree(X11::rootWindow());
    for (int i = 0; top && i < xcb_query_tree_children_length(top.get()); ++i)
        if (xcb_query_tree_children(top.get())[i] == window)
            return i;
    return -1;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class tst_FirstRun : public QObject {
    Q_OBJECT

    QProcess m_program;
    QString m_settings;

    bool start(const QByteArray& settings) {
        QFile file(m_settings);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(settings) < 0)
            return false;
        file.close();
        m_program.start(QStringLiteral(BRINDLECAP_BINARY), {});
        return m_program.waitForStarted() &&
               QTest::qWaitFor([] { return welcomeWindows().size() == 1; }, waitMs);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(!RunningProgram::useOwnRuntimeFolder().isEmpty());
        m_settings = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brindlecap");
        QDir().mkpath(m_settings);
        m_settings += QStringLiteral("/Brindlecap.conf");
    }

    void cleanup() {
        for (int attempt = 0; attempt < 5 && !overlayWindows().isEmpty(); ++attempt) {
            xdotool({"key", "Escape"});
            QTest::qWait(500);
        }
        if (m_program.state() != QProcess::NotRunning) {
            RunningProgram::command(QStringLiteral("quit"));
            if (!m_program.waitForFinished(waitMs))
                m_program.kill();
            m_program.waitForFinished(waitMs);
        }
    }

    // didShowWelcome not exactly true: only its line changes, comments and values the program
    // reads differently stay. A capture started meanwhile is above the welcome and takes the
    // keyboard, so the first Escape ends the capture, not the welcome.
    void welcomeKeepsTheUsersFileAndGivesWayToACapture() {
        const QByteArray edited = "; hand-written\n[General]\nsize.pen=\"7\"\n"
                                  "saveFolder=/tmp/a, b\ndidShowWelcome=yes\n; keep this too\n";
        QVERIFY(start(edited));
        QCOMPARE(contentsOf(m_settings),
                 QByteArray(edited).replace("didShowWelcome=yes", "didShowWelcome=true"));

        QCOMPARE(RunningProgram::command(QStringLiteral("area")), 0);
        QTRY_COMPARE_WITH_TIMEOUT(overlayWindows().size(), 2, waitMs);
        QTest::qWait(300); // the keyboard grab follows the first paint
        const int welcome = stackingIndex(welcomeWindows().value(0));
        for (const xcb_window_t overlay : overlayWindows())
            QVERIFY2(stackingIndex(overlay) > welcome, "an overlay is below the welcome");

        xdotool({"key", "Escape"});

        QTRY_COMPARE_WITH_TIMEOUT(overlayWindows().size(), 0, waitMs);
        QCOMPARE(welcomeWindows().size(), 1);
    }

    // A file the program cannot parse is not rewritten, and the program says so.
    void unreadableSettingsAreLeftAsTheyWere() {
        const QByteArray broken = "[General]\nthis line is no setting\nautoCopy=false\n";
        m_program.setProcessChannelMode(QProcess::SeparateChannels);

        QVERIFY(start(broken));

        QCOMPARE(contentsOf(m_settings), broken);
        QByteArray said;
        QTRY_VERIFY((said += m_program.readAllStandardError())
                        .contains("no se puede leer como archivo de ajustes; se deja como está"));
    }
};

QTEST_MAIN(tst_FirstRun)
#include "tst_FirstRun.moc"
