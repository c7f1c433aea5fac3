// Capture on the real X server: grabbing screens, listing windows, the countdown and delivery.
// The test starts its own program again as "--window X Y W H" to put up a frameless window of
// another process at an exact logical geometry (own windows are never listed).
#include "TestHome.h"
#include "capture/Countdown.h"
#include "capture/Output.h"
#include "capture/ScreenGrabber.h"
#include "capture/WindowFinder.h"
#include "platform/X11.h"
#include "recents/History.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRasterWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

// Four coloured quadrants over `size` points.
void paintQuadrants(QPainter& p, QSize size) {
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 200, 0), QColor(0, 0, 255),
                               QColor(250, 250, 20)};
    const QSize half = size / 2;
    for (int q = 0; q < 4; ++q)
        p.fillRect(QRect(QPoint(q % 2 * half.width(), q / 2 * half.height()), half), colours[q]);
}

// Outside the window manager's control, so it lands exactly where asked.
class PatternWindow : public QRasterWindow {
public:
    explicit PatternWindow(const QRect& logical) {
        setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        setGeometry(logical);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintQuadrants(p, size());
    }
};

// Also holds the grabber to its promise of never answering inside the call.
GrabResult grab(ScreenGrabber& grabber, const QList<QScreen*>& screens) {
    std::optional<GrabResult> result;
    grabber.capture(screens, [&](GrabResult r) { result = std::move(r); });
    if (result)
        return Failure{QStringLiteral("answered inside capture()")};
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
        return Failure{QStringLiteral("no result")};
    return *result;
}

QWidget* panel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Countdown") && w->isVisible())
            return w;
    return nullptr;
}

Rendered rendered(QSize pixels, qreal scale, quint32 seed = 1) {
    QImage image(pixels, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            image.setPixel(x, y, rng.generate() | 0xff000000u);
    return {image, QSizeF(pixels) / scale};
}

// `program args`'s output, the event loop running meanwhile: xclip reads our own clipboard.
QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted() ||
        !QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000))
        return {};
    return p.readAllStandardOutput();
}

QImage clipboardImage(const QString& target) {
    return QImage::fromData(run(u"xclip"_qs, {"-selection", "clipboard", "-t", target, "-o"}))
        .convertToFormat(QImage::Format_RGB32);
}

// Delivers and waits for the completion: its failure message, empty on success; nullopt when it
// never came.
std::optional<QString> deliverAndWait(const Rendered& r, bool copy, std::optional<QString> saveTo,
                                      bool history) {
    std::optional<QString> message;
    Output::deliver(r, copy, saveTo, history, [&](const Status& s) { message = s.message(); });
    if (!QTest::qWaitFor([&] { return message.has_value(); }, 20000))
        return std::nullopt;
    return message;
}

// A window of another process, found by its PID once it is mapped; killed on destruction.
struct Client {
    QProcess process;
    QString id; // empty when it never showed up

    Client(const QString& program, const QStringList& args) {
        process.start(program, args);
        process.waitForStarted();
        id = QString::fromLatin1(run("xdotool", {"search", "--sync", "--onlyvisible", "--pid",
                                                 QString::number(process.processId())}))
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

class tst_CaptureX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Delivery keeps history from an empty one.
    void init() {
        Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), true);
        History::clear();
    }

    void patternsLandAtTheirPlaceWithoutThePointerWithEitherTransport() {
        QScreen* left = QGuiApplication::screenAt({10, 10});
        QScreen* right = QGuiApplication::screenAt({1930, 10});
        QVERIFY(left && right && right->devicePixelRatio() == 2.0);
        PatternWindow onLeft{QRect(100, 60, 200, 120)}, onRight{QRect(1920 + 50, 30, 160, 100)};
        onLeft.show();
        onRight.show();
        QVERIFY(QTest::qWaitForWindowExposed(&onLeft) && QTest::qWaitForWindowExposed(&onRight));
        QCursor::setPos(right, onRight.geometry().topLeft() + QPoint(40, 25));
        QTest::qWait(300);
        const auto shm = ScreenGrabberX11::create(ScreenGrabberX11::Transport::Auto);

        const GrabResult a = grab(*shm, {right, left});
        const GrabResult again = grab(*shm, {right}); // the reused segment
        const GrabResult b =
            grab(*ScreenGrabberX11::create(ScreenGrabberX11::Transport::GetImage), {right, left});

        QVERIFY2(a && again && b, qPrintable(a.message() + again.message() + b.message()));
        QCOMPARE(b->size(), 2);
        QCOMPARE(b->at(0).screen, right); // in the order asked for
        QCOMPARE(b->at(1).screen, left);
        QCOMPARE(a->value(0).image, b->at(0).image);
        QCOMPARE(a->value(1).image, b->at(1).image);
        QCOMPARE(again->value(0).image, b->at(0).image);
        for (const auto& shot : *b) {
            const int scale = int(shot.screen->devicePixelRatio());
            const QRect r = (shot.screen == right ? onRight : onLeft).geometry();
            const QImage image = shot.image.convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), shot.screen->geometry().size() * scale);
            QCOMPARE(shot.image.devicePixelRatio(), shot.screen->devicePixelRatio());
            // The window's pixels, and one pixel more up and left that is not its own.
            QImage window(r.size() * scale, QImage::Format_RGB32);
            window.setDevicePixelRatio(scale);
            QPainter p(&window);
            paintQuadrants(p, r.size());
            p.end();
            const QPoint at = (r.topLeft() - shot.screen->geometry().topLeft()) * scale;
            QCOMPARE(image.copy(QRect(at, window.size())), window);
            QVERIFY(image.pixel(at - QPoint(1, 1)) != window.pixel(0, 0));
        }
    }

    // Only order and lower bounds: a busy machine may run the timers late, never early.
    void replacesTheRunningOneAndCountsDownUnderThePointer() {
        QStringList shown;
        int firstRuns = 0;
        qint64 actedAt = -1;
        bool panelUpWhenActing = true;
        QScreen* right = QGuiApplication::screenAt(QPoint(1930, 10));
        QVERIFY(right && right->devicePixelRatio() == 2.0);
        QCursor::setPos(right, right->geometry().topLeft() + QPoint(30, 30));
        QTRY_COMPARE(QGuiApplication::screenAt(QCursor::pos()), right);
        Countdown::run(3, [&] { ++firstRuns; });
        QTest::qWait(300);
        QElapsedTimer clock;
        clock.start();

        Countdown::run(2, [&] {
            actedAt = clock.elapsed();
            panelUpWhenActing = panel();
        });

        QVERIFY(panel());
        QCOMPARE(panel()->screen(), right);
        QVERIFY(QTest::qWaitFor(
            [&] {
                const auto* number = panel() ? panel()->findChild<QLabel*>(u"number"_qs) : nullptr;
                if (number && !number->text().isEmpty() &&
                    shown.value(shown.size() - 1) != number->text())
                    shown.append(number->text());
                return actedAt >= 0;
            },
            12000));
        QCOMPARE(shown, (QStringList{"2", "1"}));
        QVERIFY(!panelUpWhenActing);
        QVERIFY2(actedAt >= 2150, qPrintable(QString::number(actedAt)));
        QTest::qWait(1000); // past the end of the replaced run
        QCOMPARE(firstRuns, 0);
    }

    // The TIFF and the image are made on request, the TIFF at the capture's density.
    void laterCopyWinsAndOthersReadItAsPngAndTiff() {
        const Rendered large = rendered({3840, 2160}, 1, 2), small = rendered({40, 30}, 2, 3);
        int completions = 0;
        const qint64 before = Output::generation();

        Output::deliver(large, true, std::nullopt, false, [&](const Status&) { ++completions; });
        Output::deliver(small, true, std::nullopt, false, [&](const Status&) { ++completions; });

        QCOMPARE(Output::generation(), before + 2);
        QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 30000);
        QCOMPARE(clipboardImage("image/png"), small.image);
        const QImage tiff = clipboardImage("image/tiff");
        QCOMPARE(tiff, small.image);
        QCOMPARE(tiff.dotsPerMeterX(), 5669);
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 small.image);
        // A stored PNG alone, as the recents drawer copies it: the TIFF keeps its density.
        QApplication::clipboard()->setMimeData(
            Output::clipboardData(Output::pngData(small).value_or(QByteArray())).release());
        QCOMPARE(clipboardImage("image/tiff").dotsPerMeterX(), 5669);
    }

    // Into a folder that does not exist yet (the density is checked end to end); the second file of
    // the same second gets "(2)"; a folder that cannot be made fails the save, but neither the copy
    // nor the history entry.
    void savesKeepPixelsAndDensityAndNeverReplaceEachOther() {
        const QTemporaryDir dir;
        const QString name = dir.filePath("nueva/con/padres/Brindlecap 2026-12-05 08.19.19.png");
        const Rendered first = rendered({300, 200}, 2, 4), second = rendered({31, 21}, 1, 5),
                       third = rendered({70, 50}, 1, 9);
        const QString unmakeable = unmakeableFolder(dir.filePath("archivo"), "sub/x.png");

        QCOMPARE(deliverAndWait(first, false, name, false), QString());
        QCOMPARE(deliverAndWait(second, false, name, false), QString());
        QVERIFY(
            deliverAndWait(third, true, unmakeable, true).value_or(QString()).contains(unmakeable));

        const QImage saved(name);
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), first.image);
        QCOMPARE(QImage(QString(name).replace(".png", " (2).png")).size(), second.image.size());
        QCOMPARE(History::items().size(), 1);
        QCOMPARE(clipboardImage("image/png"), third.image);
    }

    void historyOnlyLeavesClipboardAndGenerationAloneAndHonoursKeepHistory() {
        QApplication::clipboard()->setText(QStringLiteral("antes"));
        const qint64 before = Output::generation();

        QCOMPARE(deliverAndWait(rendered({50, 40}, 1), false, std::nullopt, true), QString());
        QCOMPARE(Output::generation(), before);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("antes"));
        QCOMPARE(History::items().size(), 1);
        Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), false);
        QVERIFY(deliverAndWait(rendered({50, 40}, 1), true, std::nullopt, true));

        QCOMPARE(History::items().size(), 1);
    }

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
    tst_CaptureX11 test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_CaptureX11.moc"
