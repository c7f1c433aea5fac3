// Capture offscreen: the controller's failures and alerts, and the save dialog.
#include "TestHome.h"
#include "capture/CaptureController.h"
#include "capture/DimView.h"
#include "capture/OverlayWindow.h"
#include "capture/SaveDialog.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

// A grabber under the test's control: it answers only when told, like a real grab that takes its
// time, and is never granted access.
class FakeGrabber final : public ScreenGrabber {
public:
    int captures = 0, accessRequests = 0;
    QList<Done> pending;

    void capture(const QList<QScreen*>&, Done done) override {
        ++captures;
        pending.append(std::move(done));
    }
    bool requestAccess() override { return ++accessRequests < 0; }
    void answer(GrabResult result) { pending.takeFirst()(std::move(result)); }
};

// A white shot of each screen (offscreen screens are at scale 1).
GrabResult shotsOf(const QList<QScreen*>& screens) {
    QList<Shot> shots;
    for (QScreen* screen : screens) {
        shots.append({screen, QImage(screen->geometry().size(), QImage::Format_RGB32)});
        shots.last().image.fill(Qt::white);
    }
    return shots;
}

// Every alert shown while it lives, as its text and informative text; each is dismissed from
// inside its own event loop, as the user would, without opening anything. A file dialog is handed
// to `onFileDialog`.
struct Alerts {
    QStringList shown;
    std::function<void(QFileDialog*)> onFileDialog;
    QTimer poll;

    Alerts() {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                shown << box->text() << box->informativeText();
                box->reject();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && onFileDialog) {
                std::exchange(onFileDialog, {})(dialog);
            }
        });
        poll.start(20);
    }
};

void dragSelection(CanvasView* canvas, QPoint from, QPoint to) {
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QTest::mouseMove(canvas, to);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
}

} // namespace

class tst_CaptureDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        forgetSettings();
        auto grabber = std::make_unique<FakeGrabber>();
        m_grabber = grabber.get();
        m_controller = std::make_unique<CaptureController>(std::move(grabber));
    }

    // The first failure only asks the desktop for access, silently; a later one shows the alert
    // with the failure's detail.
    void permissionAlertFromTheSecondFailureOn() {
        Alerts alerts;

        m_controller->begin();
        m_grabber->answer(Failure{QStringLiteral("the portal said no")});
        QVERIFY(alerts.shown.isEmpty());
        QVERIFY(Prefs::didRequestScreenCapture());
        m_controller->begin();
        m_grabber->answer(Failure{QStringLiteral("still no")});

        QCOMPARE(alerts.shown.size(), 2);
        QVERIFY2(alerts.shown[1].endsWith(QLatin1String("\n\n(still no)")),
                 qPrintable(alerts.shown[1]));
        QCOMPARE(m_grabber->accessRequests, 2);
        QVERIFY(!m_controller->busy());
    }

    // A session without a capture back-end says so, never asking for a permission no one can
    // give.
    void sessionWithoutABackEndSaysItIsNotSupported() {
        CaptureController controller; // offscreen: the session's own grabber, the null one
        Alerts alerts;

        controller.begin();
        QTRY_COMPARE(alerts.shown.size(), 2);

        QVERIFY2(alerts.shown[1].contains(u"sesión de escritorio (offscreen)"_qs),
                 qPrintable(alerts.shown[1]));
    }

    // The selection is one across the displays: choosing on one clears the other's. (A request
    // while busy is tst_AreaCapture's, the overlays going when it ends too.)
    void oneSelectionAcrossDisplays() {
        QScreen* screen = QGuiApplication::primaryScreen();
        m_controller->begin();
        m_grabber->answer(shotsOf({screen, screen}));
        const QList<OverlayWindow*> windows = m_controller->windows();
        QCOMPARE(windows.size(), 2);

        dragSelection(windows[0]->canvas(), {10, 10}, {110, 90});
        dragSelection(windows[1]->canvas(), {20, 20}, {60, 60});

        QVERIFY(windows[0]->canvas()->selection().isEmpty());
        QVERIFY(windows[0]->dimView()->hole().isEmpty());
        QCOMPARE(windows[1]->canvas()->selection(), QRectF(20, 20, 40, 40));
    }

    // A script hears why it got no image, in one line, where the user would get an alert (which,
    // being modal, would hang this test); and a busy controller drops the script's request too.
    void scriptsAreToldOfFailuresWithoutAlerts() {
        QList<CaptureController::CallerResult> results;
        const auto forCaller = [&](QString screen = {}) {
            return CaptureController::ForCaller{screen, false, [&](auto& r) { results.append(r); }};
        };

        m_controller->begin(forCaller());
        m_grabber->answer(Failure{QStringLiteral("the portal said no")});
        m_controller->begin(forCaller());
        m_grabber->answer(Failure{QStringLiteral("still no")});
        m_controller->captureFullScreen(forCaller(QStringLiteral("9")));
        m_controller->begin();
        m_controller->captureFullScreen(forCaller());

        QCOMPARE(results.size(), 4);
        for (const CaptureController::CallerResult& result : results) {
            QCOMPARE(result.kind, CaptureController::CallerResult::failed);
            QVERIFY(!result.error.contains(u'\n'));
        }
        QVERIFY(results[1].error.endsWith(QLatin1String("still no")));
        QVERIFY(results[2].error.contains(QStringLiteral("«9»")));
        QCOMPARE(results[3].error, QStringLiteral("Ya hay una captura en curso"));
        QCOMPARE(m_grabber->accessRequests, 0);
        QCOMPARE(m_grabber->captures, 3);
    }

    // Front to back, for the right display: one elsewhere, one cut at its edge, two inside, one
    // touching its left edge from outside.
    void windowRectsAreEachDisplaysOwn() {
        const QRect display(1920, 0, 960, 540);
        const QList<QRectF> rects{QRectF(100, 100, 300, 200), QRectF(1800, 500, 300, 100),
                                  QRectF(2000, 0, 10, 10), display, QRectF(1820, 0, 100, 100)};

        const QList<QRectF> own = CaptureController::windowRectsFor(display, rects);

        QCOMPARE(own, (QList<QRectF>{{0, 500, 180, 40}, {80, 0, 10, 10}, {0, 0, 960, 540}}));
    }

    // Recognised text goes to the clipboard; its toast counts the lines that hold any.
    void textOutcomeToast() {
        const QString text = u"\nuno\n\ndos\ntres\n"_qs;
        m_controller->begin();
        m_grabber->answer(shotsOf({QGuiApplication::primaryScreen()}));

        m_controller->finish(CanvasView::Outcome::makeText(text));

        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        QVERIFY(!m_controller->busy());
        QCOMPARE(CaptureController::textToast(text), u"Texto copiado (3 líneas)"_qs);
        QCOMPARE(CaptureController::textToast(u"Hola"_qs), u"Texto copiado (1 línea)"_qs);
    }

    void opensInTheSaveFolderAndReportsAFailedWrite() {
        const QString folder = QDir::homePath() + "/guardar/aqui";
        Prefs::setSaveFolder(folder);
        QDir().mkpath(folder);
        const QString unmakeable = unmakeableFolder(folder + "/archivo", "dentro.png");
        QImage image(80, 60, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QString directory;
        Alerts alerts;
        alerts.onFileDialog = [&](QFileDialog* d) {
            directory = d->directory().absolutePath();
            d->selectFile(unmakeable);
            QMetaObject::invokeMethod(d, "accept");
        };

        SaveDialog::save({image, QSizeF(40, 30)});

        QCOMPARE(directory, folder);
        QCOMPARE(alerts.shown.size(), 2);
        const QString reason = alerts.shown[1];
        // The file the dialog chose inside the plain file, named with the system's reason.
        QVERIFY2(reason.contains(folder + "/archivo/") && reason.contains(".png»: "),
                 qPrintable(reason));
    }

private:
    FakeGrabber* m_grabber = nullptr; // owned by the controller
    std::unique_ptr<CaptureController> m_controller;
};

QTEST_MAIN(tst_CaptureDialogs)
#include "tst_CaptureDialogs.moc"
