#include "capture/WindowFinder.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <memory>

// The test starts its own program again as "--window X Y W H" to put up a frameless window of
// another process at an exact logical geometry (own windows are never listed).
namespace {

int runHelperWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("brindle-helper"));
    window.setGeometry(QString(argv[2]).toInt(), QString(argv[3]).toInt(), QString(argv[4]).toInt(),
                       QString(argv[5]).toInt());
    window.show();
    return app.exec();
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// A window of another process, found by its PID once it is mapped; killed on destruction.
struct Client {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString id;
    bool found = false;

    Client(const QString& program, const QStringList& args) {
        process->start(program, args);
        process->waitForStarted();
        const QString pid = QString::number(process->processId());
        found = QTest::qWaitFor(
            [&] {
                id = run("xdotool", {"search", "--onlyvisible", "--pid", pid}).section('\n', 0, 0);
                return !id.isEmpty();
            },
            10000);
        QTest::qWait(200);
    }
    ~Client() {
        process->kill();
        process->waitForFinished();
    }

    // The frame the window manager drew around the window, in native pixels: the geometry of
    // its ancestor just below the root, as xwininfo reports it.
    QRect frame() const {
        QString window = id;
        for (;;) {
            const QString tree = run("xwininfo", {"-children", "-id", window});
            const QRegularExpressionMatch parent =
                QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)( \\(the root)?"))
                    .match(tree);
            if (!parent.hasMatch() || !parent.captured(2).isEmpty())
                break;
            window = parent.captured(1);
        }
        const QString info = run("xwininfo", {"-id", window});
        auto value = [&](const char* label) {
            const QRegularExpression re(QString::fromLatin1(label) +
                                        QStringLiteral(":\\s+(-?\\d+)"));
            return re.match(info).captured(1).toInt();
        };
        return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"),
                     value("Width") + 2 * value("Border width"),
                     value("Height") + 2 * value("Border width"));
    }
};

std::unique_ptr<Client> helperWindow(const QRect& logical) {
    return std::make_unique<Client>(
        QCoreApplication::applicationFilePath(),
        QStringList{"--window", QString::number(logical.x()), QString::number(logical.y()),
                    QString::number(logical.width()), QString::number(logical.height())});
}

std::unique_ptr<Client> xterm(const QString& geometry) {
    return std::make_unique<Client>("xterm", QStringList{"-geometry", geometry});
}

} // namespace

class tst_WindowFinder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsFramesFrontToBackAndFollowsRaising();
    void rootChildrenFallbackKeepsTheStackingOrder();
    void leavesOutWhatCannotBePicked_data();
    void leavesOutWhatCannotBePicked();
    void leavesOutOwnAndMinimisedWindows();
    void scalesWindowsOnTheHighDensityMonitor();
};

void tst_WindowFinder::listsFramesFrontToBackAndFollowsRaising() {
    const auto back = xterm("60x20+40+40");
    const auto front = xterm("60x20+300+200");
    QVERIFY(back->found && front->found);
    run("xdotool", {"windowactivate", "--sync", front->id});
    QTest::qWait(200);
    const QRectF backFrame = back->frame(), frontFrame = front->frame();

    const QList<QRectF> before = WindowFinder::frontToBackRects();
    run("xdotool", {"windowactivate", "--sync", back->id});
    QTest::qWait(200);
    const QList<QRectF> after = WindowFinder::frontToBackRects();

    QVERIFY2(before.contains(frontFrame) && before.contains(backFrame),
             qPrintable(QDebug::toString(before)));
    QVERIFY(before.indexOf(frontFrame) < before.indexOf(backFrame));
    QVERIFY(after.indexOf(backFrame) < after.indexOf(frontFrame));
}

void tst_WindowFinder::rootChildrenFallbackKeepsTheStackingOrder() {
    const auto back = xterm("60x20+40+40");
    const auto front = xterm("60x20+300+200");
    QVERIFY(back->found && front->found);
    run("xdotool", {"windowactivate", "--sync", front->id});
    QTest::qWait(200);

    const QList<QRectF> rects = WindowFinder::rootChildrenRects();

    // The window manager's frames are the root's children here.
    const QRectF backFrame = back->frame(), frontFrame = front->frame();
    QVERIFY2(rects.contains(frontFrame) && rects.contains(backFrame),
             qPrintable(QDebug::toString(rects)));
    QVERIFY(rects.indexOf(frontFrame) < rects.indexOf(backFrame));
}

void tst_WindowFinder::leavesOutWhatCannotBePicked_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("opacity"); // _NET_WM_WINDOW_OPACITY, empty for none
    QTest::addColumn<bool>("listed");

    QTest::newRow("59 x 300 is too narrow") << QSize(59, 300) << QString() << false;
    QTest::newRow("300 x 39 is too low") << QSize(300, 39) << QString() << false;
    QTest::newRow("60 x 40 is just big enough") << QSize(60, 40) << QString() << true;
    QTest::newRow("fully transparent") << QSize(300, 200) << QStringLiteral("0") << false;
    QTest::newRow("alpha 0.05 counts as transparent")
        << QSize(300, 200) << QString::number(quint32(0.05 * 0xffffffffu)) << false;
    QTest::newRow("alpha 0.06 is visible")
        << QSize(300, 200) << QString::number(quint32(0.06 * 0xffffffffu)) << true;
}

void tst_WindowFinder::leavesOutWhatCannotBePicked() {
    QFETCH(QSize, size);
    QFETCH(QString, opacity);
    QFETCH(bool, listed);
    const QRect geometry(QPoint(500, 300), size);
    const auto window = helperWindow(geometry);
    QVERIFY(window->found);
    if (!opacity.isEmpty())
        run("xprop", {"-id", window->id, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set",
                      "_NET_WM_WINDOW_OPACITY", opacity});
    QTest::qWait(100);
    QCOMPARE(window->frame().size(), size);

    const QList<QRectF> rects = WindowFinder::frontToBackRects();

    QCOMPARE(rects.contains(QRectF(window->frame())), listed);
}

void tst_WindowFinder::leavesOutOwnAndMinimisedWindows() {
    QWidget own;
    own.setGeometry(100, 100, 400, 300);
    own.show();
    QVERIFY(QTest::qWaitForWindowExposed(&own));
    const auto minimised = xterm("60x20+600+300");
    QVERIFY(minimised->found);
    const QRectF minimisedFrame = minimised->frame();
    QTest::qWait(200);
    const QRectF ownFrame = own.frameGeometry();
    QVERIFY(WindowFinder::frontToBackRects().contains(minimisedFrame));

    run("xdotool", {"windowminimize", "--sync", minimised->id});
    QTest::qWait(200);
    const QList<QRectF> rects = WindowFinder::frontToBackRects();

    QVERIFY(!rects.contains(minimisedFrame));
    QVERIFY(!rects.contains(ownFrame));
    for (const QRectF& r : rects)
        QVERIFY(!r.contains(QRectF(own.geometry())));
}

void tst_WindowFinder::scalesWindowsOnTheHighDensityMonitor() {
    QScreen* right = nullptr;
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == QLatin1String("RIGHT"))
            right = s;
    QVERIFY(right);
    const QRect logical(right->geometry().topLeft() + QPoint(100, 50), QSize(200, 100));
    const auto window = helperWindow(logical);
    QVERIFY(window->found);
    // 400 x 200 pixels at native x = monitor start + 200: twice the offset and size in points.
    QCOMPARE(window->frame(),
             QRect(right->geometry().topLeft() + QPoint(200, 100), QSize(400, 200)));

    const QList<QRectF> rects = WindowFinder::frontToBackRects();

    QVERIFY2(rects.contains(QRectF(logical)), qPrintable(QDebug::toString(rects)));
}

int main(int argc, char** argv) {
    if (argc == 6 && qstrcmp(argv[1], "--window") == 0)
        return runHelperWindow(argc, argv);
    QApplication app(argc, argv);
    tst_WindowFinder test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_WindowFinder.moc"
