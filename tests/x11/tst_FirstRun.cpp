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
    const xcb_window_t root = X11::rootWindow();
    for (int depth = 0; depth < 8; ++depth) {
        X11::Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree)
            return -1;
        if (tree->parent == root)
            break;
        window = tree->parent;
    }
    X11::Reply<xcb_query_tree_reply_t> top(
        xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!top)
        return -1;
    const xcb_window_t* children = xcb_query_tree_children(top.get());
    for (int i = 0; i < xcb_query_tree_children_length(top.get()); ++i)
        if (children[i] == window)
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

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void welcomeKeepsTheUsersFileAndGivesWayToACapture();
    void unreadableSettingsAreLeftAsTheyWere();

private:
    bool start(const QByteArray& settings);

    QProcess m_program;
    QString m_settings;
};

void tst_FirstRun::initTestCase() {
    QVERIFY(!RunningProgram::useOwnRuntimeFolder().isEmpty());
    m_settings = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brindlecap");
    QDir().mkpath(m_settings);
    m_settings += QStringLiteral("/Brindlecap.conf");
}

void tst_FirstRun::cleanup() {
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

bool tst_FirstRun::start(const QByteArray& settings) {
    QFile file(m_settings);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(settings) < 0)
        return false;
    file.close();
    m_program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    return m_program.waitForStarted() &&
           QTest::qWaitFor([] { return welcomeWindows().size() == 1; }, waitMs);
}

// didShowWelcome not exactly true: only its line changes, comments and values the program reads
// differently stay. A capture started meanwhile is above the welcome and takes the keyboard, so
// the first Escape ends the capture, not the welcome.
void tst_FirstRun::welcomeKeepsTheUsersFileAndGivesWayToACapture() {
    const QByteArray edited = "; hand-written\n"
                              "[General]\n"
                              "size.pen=\"7\"\n"
                              "saveFolder=/tmp/a, b\n"
                              "didShowWelcome=yes\n"
                              "; keep this too\n";
    QVERIFY(start(edited));
    QByteArray expected = edited;
    expected.replace("didShowWelcome=yes", "didShowWelcome=true");
    QCOMPARE(contentsOf(m_settings), expected);

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
void tst_FirstRun::unreadableSettingsAreLeftAsTheyWere() {
    const QByteArray broken = "[General]\nthis line is no setting\nautoCopy=false\n";
    m_program.setProcessChannelMode(QProcess::SeparateChannels);

    QVERIFY(start(broken));

    QCOMPARE(contentsOf(m_settings), broken);
    QByteArray said;
    QTRY_VERIFY((said += m_program.readAllStandardError())
                    .contains("no se puede leer como archivo de ajustes; se deja como está"));
}

QTEST_MAIN(tst_FirstRun)
#include "tst_FirstRun.moc"
