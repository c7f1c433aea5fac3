// The sway fixture itself: every Wayland end-to-end test relies on two outputs with mixed scales
// as Qt sees them, keys and pointer input that reach sway and its clients, the clipboard read
// back by another client, and a screenshot portal that answers without asking anyone. What a
// Qt client sees is asked of this same executable started inside the session with --client.
#include "wayland/PortalScreenshot.h"
#include "wayland/WaylandSession.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using namespace WaylandSession;

namespace {

// --client screens: each screen as "NAME X,Y WxH dpr R".
int printScreens() {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        std::printf("%s %d,%d %dx%d dpr %g\n", qPrintable(screen->name()), g.x(), g.y(), g.width(),
                    g.height(), screen->devicePixelRatio());
    }
    return 0;
}

// --client key: a full-screen window that prints "shown" once visible, then the first key
// it receives, and quits.
class KeyWindow : public QRasterWindow {
protected:
    void exposeEvent(QExposeEvent* event) override {
        QRasterWindow::exposeEvent(event);
        if (isExposed() && !m_shown) {
            m_shown = true;
            std::printf("shown\n");
            std::fflush(stdout);
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        std::printf("key %s\n", qPrintable(QKeySequence(event->key()).toString()));
        std::fflush(stdout);
        QGuiApplication::quit();
    }

private:
    bool m_shown = false;
};

// --client screenshot: the portal's answer as "CODE URI".
int askPortal() {
    const PortalScreenshot::Answer answer = PortalScreenshot::take(waitMs);
    std::printf("%d %s\n", answer.code,
                qPrintable(answer.error.isEmpty() ? answer.uri.toString() : answer.error));
    std::fflush(stdout);
    return 0;
}

int client(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTimer::singleShot(waitMs, &app, [] { QCoreApplication::exit(1); });
    const QByteArray what = argv[2];
    if (what == "screens")
        return printScreens();
    if (what == "screenshot")
        return askPortal();
    KeyWindow window;
    window.showFullScreen();
    return QGuiApplication::exec();
}

QStringList lines(const QByteArray& output) {
    return QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
}

QStringList client(const QString& what) {
    return lines(
        run({QCoreApplication::applicationFilePath(), QStringLiteral("--client"), what}).out);
}

} // namespace

class tst_WaylandSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void swayHasTwoOutputsWithMixedScales() {
        const QJsonArray outputs = swaymsg(QStringLiteral("get_outputs")).array();

        QCOMPARE(outputs.size(), 2);
        QStringList seen;
        for (const QJsonValue o : outputs) {
            const QJsonObject rect = o[QLatin1String("rect")].toObject();
            const QJsonObject mode = o[QLatin1String("current_mode")].toObject();
            seen << QStringLiteral("%1 %2,%3 %4x%5 mode %6x%7 scale %8")
                        .arg(o[QLatin1String("name")].toString())
                        .arg(rect[QLatin1String("x")].toInt())
                        .arg(rect[QLatin1String("y")].toInt())
                        .arg(rect[QLatin1String("width")].toInt())
                        .arg(rect[QLatin1String("height")].toInt())
                        .arg(mode[QLatin1String("width")].toInt())
                        .arg(mode[QLatin1String("height")].toInt())
                        .arg(o[QLatin1String("scale")].toDouble());
        }
        seen.sort();
        QCOMPARE(seen, QStringList({"HEADLESS-1 0,0 1920x1080 mode 1920x1080 scale 1",
                                    "HEADLESS-2 1920,0 960x540 mode 1920x1080 scale 2"}));
    }

    void qtClientSeesBothOutputsWithTheirScales() {
        QStringList screens = client(QStringLiteral("screens"));
        screens.sort();

        QCOMPARE(screens, QStringList({"HEADLESS-1 0,0 1920x1080 dpr 1",
                                       "HEADLESS-2 1920,0 960x540 dpr 2"}));
    }

    void pointerMovesFocusToTheOutputUnderIt_data() {
        QTest::addColumn<QPoint>("first");
        QTest::addColumn<QPoint>("then");
        QTest::addColumn<QString>("output");

        QTest::newRow("onto the scale-2 output")
            << QPoint(100, 100) << QPoint(2500, 300) << "HEADLESS-2";
        QTest::newRow("back onto the scale-1 output")
            << QPoint(2500, 300) << QPoint(100, 100) << "HEADLESS-1";
        QTest::newRow("last logical pixel of the scale-2 output")
            << QPoint(100, 100) << QPoint(2879, 539) << "HEADLESS-2";
    }

    void pointerMovesFocusToTheOutputUnderIt() {
        QFETCH(QPoint, first);
        QFETCH(QPoint, then);
        QFETCH(QString, output);
        Pointer pointer;

        QVERIFY(pointer.move(first));
        QVERIFY(pointer.move(then));

        QCOMPARE(focusedOutput(), output);
        const QJsonArray devices = swaymsg(QStringLiteral("get_seats"))
                                       .array()
                                       .first()[QLatin1String("devices")]
                                       .toArray();
        QStringList names;
        for (const QJsonValue device : devices)
            names << device[QLatin1String("name")].toString();
        QVERIFY2(names.contains(QStringLiteral("virtual pointer")), qPrintable(names.join(u',')));
    }

    void keysReachTheFocusedClient() {
        // sway gives a new window the keyboard only on the focused output, and Qt places it on the
        // first: move the focus there first.
        QVERIFY(Pointer().move({100, 100}));
        QProcess window;
        const QStringList line = asUser({QCoreApplication::applicationFilePath(),
                                         QStringLiteral("--client"), QStringLiteral("key")});
        window.start(line.first(), line.mid(1));
        QVERIFY(QTest::qWaitFor(
            [&] {
                window.waitForReadyRead(100);
                return window.canReadLine();
            },
            waitMs));
        QCOMPARE(window.readLine().trimmed(), QByteArray("shown"));

        QVERIFY(keys({QStringLiteral("-k"), QStringLiteral("Escape")}));

        QVERIFY(window.waitForFinished(waitMs));
        QCOMPARE(window.exitCode(), 0);
        QCOMPARE(window.readAll().trimmed(), QByteArray("key Esc"));
    }

    void clipboardRoundTripsAPng() {
        QImage image(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(60 * x, 80 * y, 200));
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));

        QVERIFY(setClipboard(png, QStringLiteral("image/png")));

        QCOMPARE(clipboardImage().convertToFormat(QImage::Format_RGB32), image);
    }

    // The wlr back-end hands over the whole layout at the highest scale: 2 x 2880 by 2 x 1080.
    void screenshotPortalAnswersWithoutAsking() {
        const QStringList answer = client(QStringLiteral("screenshot"));

        QCOMPARE(answer.size(), 1);
        const QStringList parts = answer.first().split(u' ');
        QCOMPARE(parts.first(), QStringLiteral("0"));
        const QUrl uri(parts.value(1));
        QVERIFY2(uri.isLocalFile(), qPrintable(answer.first()));
        QCOMPARE(QImage(uri.toLocalFile()).size(), QSize(5760, 2160));
    }
};

int main(int argc, char** argv) {
    return testMain<tst_WaylandSession>(argc, argv, client);
}

#include "tst_WaylandSession.moc"
