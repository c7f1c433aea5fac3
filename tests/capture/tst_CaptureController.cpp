#include "capture/CaptureController.h"
#include "capture/DimView.h"
#include "capture/OverlayWindow.h"
#include "recents/History.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

// A grabber under the test's control: it fails or freezes the screens it is asked for, and
// answers only when told, like a real grab that takes its time.
class FakeGrabber final : public ScreenGrabber {
public:
    struct State {
        int captures = 0;
        int accessRequests = 0;
        bool fail = false;
        bool granted = false;
        QList<Done> pending;
        QList<QScreen*> lastScreens;
    };

    explicit FakeGrabber(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    void capture(const QList<QScreen*>& screens, Done done) override {
        ++m_state->captures;
        m_state->lastScreens = screens;
        m_state->pending.append(std::move(done));
    }
    bool requestAccess() override {
        ++m_state->accessRequests;
        return m_state->granted;
    }

private:
    std::shared_ptr<State> m_state;
};

GrabResult shotsOf(const QList<QScreen*>& screens) {
    GrabResult result;
    for (QScreen* screen : screens) {
        QImage image(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDevicePixelRatio(screen->devicePixelRatio());
        result.shots.append({screen, image});
    }
    return result;
}

void answer(FakeGrabber::State& state, GrabResult result) {
    const auto done = state.pending.takeFirst();
    done(std::move(result));
}

QString visibleToastText() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() != QLatin1String("Toast") || !w->isVisible())
            continue;
        for (const QLabel* label : w->findChildren<QLabel*>())
            return label->text();
    }
    return {};
}

void dragSelection(CanvasView* canvas, QPoint from, QPoint to) {
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(canvas, (from + to) / 2);
    QTest::mouseMove(canvas, to);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
}

} // namespace

class tst_CaptureController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void permissionAlert_data();
    void permissionAlert();
    void requestsWhileBusyAreDropped();
    void textToast_data();
    void textToast();
    void windowRectsFor_data();
    void windowRectsFor();
    void oneSelectionAcrossDisplays();
    void cancelFilesTheLastAutomaticCopyAndFreesTheOverlays();
    void recognisedTextGoesToTheClipboardWithItsLineCount();

private:
    std::shared_ptr<FakeGrabber::State> m_state;
    std::unique_ptr<CaptureController> m_controller;
};

void tst_CaptureController::init() {
    QSettings().clear();
    History::clear();
    m_state = std::make_shared<FakeGrabber::State>();
    m_controller = std::make_unique<CaptureController>(std::make_unique<FakeGrabber>(m_state));
}

void tst_CaptureController::permissionAlert_data() {
    QTest::addColumn<bool>("requestedBefore");
    QTest::addColumn<bool>("granted");
    QTest::addColumn<bool>("alertShown");

    QTest::newRow("first failure only asks the desktop, silently") << false << false << false;
    QTest::newRow("a later failure without access shows the alert") << true << false << true;
    QTest::newRow("a failure while access is granted passes silently") << true << true << false;
}

void tst_CaptureController::permissionAlert() {
    QFETCH(bool, requestedBefore);
    QFETCH(bool, granted);
    QFETCH(bool, alertShown);
    Prefs::setBool(QLatin1String(Prefs::Keys::didRequestScreenCapture), requestedBefore);
    m_state->granted = granted;
    QString informative;
    bool sawAlert = false;
    // The alert is modal: read it and dismiss it from inside its own event loop.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            sawAlert = true;
            informative = box->informativeText();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == QStringLiteral("Cancelar"))
                    button->click();
        }
    });
    poll.start(20);

    m_controller->begin();
    answer(*m_state, {{}, QStringLiteral("the portal said no")});

    QCOMPARE(sawAlert, alertShown);
    if (alertShown)
        QVERIFY2(informative.endsWith(QLatin1String("\n\n(the portal said no)")),
                 qPrintable(informative));
    QCOMPARE(m_state->accessRequests, 1);
    QVERIFY(Prefs::didRequestScreenCapture());
    QVERIFY(!m_controller->busy());
}

void tst_CaptureController::requestsWhileBusyAreDropped() {
    m_controller->begin();

    m_controller->begin();
    m_controller->captureFullScreen();

    QCOMPARE(m_state->captures, 1);
    answer(*m_state, shotsOf(QGuiApplication::screens()));
    QVERIFY(m_controller->busy());
    QCOMPARE(m_controller->windows().size(), QGuiApplication::screens().size());
    m_controller->begin();
    QCOMPARE(m_state->captures, 1);

    m_controller->finish(CanvasView::Outcome::makeCancel());

    QVERIFY(!m_controller->busy());
    m_controller->captureFullScreen();
    QCOMPARE(m_state->captures, 2);
    QCOMPARE(m_state->lastScreens.size(), 1);
}

void tst_CaptureController::textToast_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toast");

    QTest::newRow("one line") << "Hola"
                              << "Texto copiado (1 línea)";
    QTest::newRow("three lines") << "uno\ndos\ntres"
                                 << "Texto copiado (3 líneas)";
    QTest::newRow("empty lines are not counted") << "\nuno\n\ndos\n"
                                                 << "Texto copiado (2 líneas)";
}

void tst_CaptureController::textToast() {
    QFETCH(QString, text);
    QFETCH(QString, toast);

    QCOMPARE(CaptureController::textToast(text), toast);
}

void tst_CaptureController::windowRectsFor_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QList<QRectF>>("rects");
    QTest::addColumn<QList<QRectF>>("expected");

    const QRect right(1920, 0, 960, 540);
    QTest::newRow("a window on another display is left out")
        << right << QList<QRectF>{{100, 100, 300, 200}} << QList<QRectF>{};
    QTest::newRow("a window is moved into the display's own coordinates")
        << right << QList<QRectF>{{2000, 50, 100, 80}} << QList<QRectF>{{80, 50, 100, 80}};
    QTest::newRow("a window across two displays is cut at the display's edge")
        << right << QList<QRectF>{{1800, 500, 300, 100}} << QList<QRectF>{{0, 500, 180, 40}};
    QTest::newRow("front-to-back order is kept")
        << right << QList<QRectF>{{2000, 0, 10, 10}, {1920, 0, 960, 540}}
        << QList<QRectF>{{80, 0, 10, 10}, {0, 0, 960, 540}};
    QTest::newRow("a window touching the display's left edge from outside is left out")
        << right << QList<QRectF>{{1820, 0, 100, 100}} << QList<QRectF>{};
}

void tst_CaptureController::windowRectsFor() {
    QFETCH(QRect, frame);
    QFETCH(QList<QRectF>, rects);
    QFETCH(QList<QRectF>, expected);

    QCOMPARE(CaptureController::windowRectsFor(frame, rects), expected);
}

void tst_CaptureController::oneSelectionAcrossDisplays() {
    QScreen* screen = QGuiApplication::primaryScreen();
    m_controller->begin();
    answer(*m_state, shotsOf({screen, screen}));
    const QList<OverlayWindow*> windows = m_controller->windows();
    QCOMPARE(windows.size(), 2);
    dragSelection(windows[0]->canvas(), {10, 10}, {110, 90});
    QVERIFY(!windows[0]->canvas()->selection().isEmpty());
    QCOMPARE(windows[0]->dimView()->hole(), windows[0]->canvas()->selection());

    dragSelection(windows[1]->canvas(), {20, 20}, {60, 60});

    QVERIFY(windows[0]->canvas()->selection().isEmpty());
    QVERIFY(windows[0]->dimView()->hole().isEmpty());
    QCOMPARE(windows[1]->canvas()->selection(), QRectF(20, 20, 40, 40));
}

void tst_CaptureController::cancelFilesTheLastAutomaticCopyAndFreesTheOverlays() {
    QScreen* screen = QGuiApplication::primaryScreen();
    m_controller->begin();
    answer(*m_state, shotsOf({screen}));
    QPointer<OverlayWindow> window = m_controller->windows().first();
    dragSelection(window->canvas(), {10, 10}, {110, 90});
    QVERIFY(m_controller->lastAutoCopied().has_value());
    QCOMPARE(m_controller->lastAutoCopied()->pointSize, QSizeF(100, 80));

    QTest::keyClick(window->canvas(), Qt::Key_Escape);

    QVERIFY(!m_controller->busy());
    QVERIFY(!m_controller->lastAutoCopied());
    QVERIFY(m_controller->windows().isEmpty());
    QTRY_VERIFY(window.isNull());
    // The delivery runs in the background; the auto-copied image is the one filed.
    QTRY_COMPARE_WITH_TIMEOUT(History::items().size(), 1, 10000);
    QCOMPARE(QImage(History::items().first()).size(), QSize(100, 80));
}

void tst_CaptureController::recognisedTextGoesToTheClipboardWithItsLineCount() {
    QScreen* screen = QGuiApplication::primaryScreen();
    m_controller->begin();
    answer(*m_state, shotsOf({screen}));

    m_controller->finish(CanvasView::Outcome::makeText(QStringLiteral("uno\ndos\ntres")));

    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("uno\ndos\ntres"));
    QVERIFY2(visibleToastText().endsWith(QStringLiteral("Texto copiado (3 líneas)")),
             qPrintable(visibleToastText()));
    QVERIFY(!m_controller->busy());
}

QTEST_MAIN(tst_CaptureController)
#include "tst_CaptureController.moc"
