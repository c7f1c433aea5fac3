#include "capture/WindowFinder.h"
#include "platform/X11.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

// The test starts its own program again as "--window X Y W H" to put up a frameless window of
// another process at an exact logical geometry (own windows are never listed).
namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// A window of another process, found by its PID once it is mapped; killed on destruction.
struct Client {
    QProcess process;
    QString id; // empty when it never showed up

    Client(const QString& program, const QStringList& args) {
        process.start(program, args);
        process.waitForStarted();
        id = run("xdotool", {"search", "--sync", "--onlyvisible", "--pid",
                             QString::number(process.processId())})
                 .section('\n', 0, 0);
        QTest::qWait(200);
    }
    ~Client() {
        process.kill();
        process.waitForFinished();
    }

    // The frame the window manager drew around the window, in native pixels: its ancestor just
    // below the root.
    QRect frame() const {
        xcb_connection_t* c = X11::connection();
        xcb_window_t w = id.toUInt();
        for (X11::Reply<xcb_query_tree_reply_t> tree;
             (tree.reset(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr)), tree) &&
             tree->parent != tree->root;)
            w = tree->parent;
        const X11::Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
        return g ? QRect(g->x, g->y, g->width + 2 * g->border_width,
                         g->height + 2 * g->border_width)
                 : QRect();
    }
};

Client helperWindow(const QRect& logical) {
    return Client(QCoreApplication::applicationFilePath(),
                  {"--window", QString::number(logical.x()), QString::number(logical.y()),
                   QString::number(logical.width()), QString::number(logical.height())});
}

void activate(const Client& client) {
    run("xdotool", {"windowactivate", "--sync", client.id});
    QTest::qWait(200);
}

} // namespace

class tst_WindowFinder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsFramesFrontToBackWithoutOwnOrMinimisedWindows() {
        QWidget own;
        own.setGeometry(100, 100, 400, 300);
        own.show();
        QVERIFY(QTest::qWaitForWindowExposed(&own));
        const Client back("xterm", {"-geometry", "60x20+40+40"}),
            front("xterm", {"-geometry", "60x20+300+200"});
        QVERIFY(!back.id.isEmpty() && !front.id.isEmpty());
        activate(front);
        const QRectF backFrame = back.frame(), frontFrame = front.frame();

        const std::unique_ptr<WindowFinder> finder = makeWindowFinder();
        const QList<QRectF> before = finder->frontToBackRects();
        // Without a window manager's list the frames are the root's children, in stacking order.
        const QList<QRectF> fallback = WindowFinderX11::rootChildrenRects();
        activate(back);
        const QList<QRectF> after = finder->frontToBackRects();
        run("xdotool", {"windowminimize", "--sync", front.id});
        QTest::qWait(200);
        const QList<QRectF> minimised = finder->frontToBackRects();

        QVERIFY2(before.contains(frontFrame) && before.contains(backFrame),
                 qPrintable(QDebug::toString(before)));
        QVERIFY(before.indexOf(frontFrame) < before.indexOf(backFrame));
        for (const QRectF& r : before)
            QVERIFY(!r.contains(QRectF(own.geometry())));
        QVERIFY(fallback.contains(backFrame));
        QVERIFY(fallback.indexOf(frontFrame) < fallback.indexOf(backFrame));
        QVERIFY(after.indexOf(backFrame) < after.indexOf(frontFrame));
        QVERIFY(minimised.contains(backFrame) && !minimised.contains(frontFrame));
    }

    // Windows under 60 x 40 points or with alpha 0.05 and below cannot be picked; on the 2x monitor
    // the frame's native pixels start at the monitor's logical origin and are listed in points.
    void listsWindowsInPointsAndLeavesOutWhatCannotBePicked() {
        const QRect narrow(400, 200, 59, 300), smallest(500, 200, 60, 40),
            transparent(600, 300, 300, 200), onRight(1920 + 400, 200, 200, 100);
        const Client clients[] = {helperWindow(narrow), helperWindow(smallest),
                                  helperWindow(transparent), helperWindow(onRight)};
        for (const Client& client : clients)
            QVERIFY(!client.id.isEmpty());
        run("xprop", {"-id", clients[2].id, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set",
                      "_NET_WM_WINDOW_OPACITY", QString::number(quint32(0.05 * 0xffffffffu))});
        QTest::qWait(100);

        const QList<QRectF> rects = makeWindowFinder()->frontToBackRects();

        QCOMPARE(clients[3].frame(), QRect(1920 + 800, 400, 400, 200));
        QVERIFY2(!rects.contains(QRectF(narrow)) && rects.contains(QRectF(smallest)) &&
                     !rects.contains(QRectF(transparent)) && rects.contains(QRectF(onRight)),
                 qPrintable(QDebug::toString(rects)));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 6 && qstrcmp(argv[1], "--window") == 0) {
        QWidget window;
        window.setWindowFlag(Qt::FramelessWindowHint);
        window.setGeometry(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
        window.show();
        return app.exec();
    }
    tst_WindowFinder test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_WindowFinder.moc"
