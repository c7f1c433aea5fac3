#pragma once

#include "annotation/Rendered.h"
#include "capture/ScreenGrabber.h"
#include "editor/CanvasView.h"

#include <QObject>
#include <QRectF>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class ActiveWindow;
class HotKey;
class OverlayWindow;
class WindowFinder;

// Runs the captures, one at a time: an area capture through one overlay per display, or a
// full-screen capture of the display under the pointer delivered at once. Main thread only.
class CaptureController : public QObject {
    Q_OBJECT

public:
    // Picks the session's back-ends and readies the overlays now, so the first capture does not
    // wait for them and the start-up log names them.
    void prepareBackends();
    // Made on first use with the session's grabber; lives as long as the application.
    static CaptureController& shared();

    // Tests hand in their own grabber; without one the session's is used.
    explicit CaptureController(std::unique_ptr<ScreenGrabber> grabber = {},
                               QObject* parent = nullptr);
    ~CaptureController() override;

    // What a capture for a script ends with.
    struct CallerResult {
        enum Kind { image, cancelled, failed };
        Kind kind = failed;
        QByteArray png;
        QString error; // failed: why, for the user
    };
    // A capture for a script: its PNG goes to `done` alone (and to the clipboard with `copy`),
    // leaving the history, the save folder and toasts alone. `done` runs once.
    struct ForCaller {
        QString screen; // full screen: an index from 0 or a name instead of the pointer's display
        bool copy = false;
        std::function<void(const CallerResult&)> done;
    };

    void begin(std::optional<ForCaller> caller = std::nullopt);
    void captureFullScreen(std::optional<ForCaller> caller = std::nullopt);
    // Opens one overlay per shot; `windowRects` are global logical frames, front to back.
    void present(const QList<Shot>& shots, const QList<QRectF>& windowRects);
    void finish(const CanvasView::Outcome& outcome);
    // Ends a failed grab in front of the user: the permission flow when access was refused,
    // otherwise an alert with the failure's message.
    void handleCaptureFailure(const QString& error);
    void showFailureAlert(const QString& message);
    void showPermissionAlert(const std::optional<QString>& detail);
    // The modal save dialog for a capture.
    void save(const Rendered& rendered);

    bool busy() const { return m_busy; }
    QList<OverlayWindow*> windows() const;

    // The window frames that concern a display, moved into its own coordinates and clipped to
    // it, in the order given.
    static QList<QRectF> windowRectsFor(const QRect& frame, const QList<QRectF>& rects);
    // The toast after recognised text went to the clipboard: its count of non-empty lines.
    static QString textToast(const QString& text);

    // Reports each time the overlays of a capture have all painted once (for start-up tracing).
    std::function<void()> onOverlaysShown;

private:
    struct LaterDeleter {
        void operator()(OverlayWindow* window) const;
    };
    using OverlayPtr = std::unique_ptr<OverlayWindow, LaterDeleter>;

    void deliverCopy(const Rendered& rendered, QScreen* screen);
    void finishForCaller(const CanvasView::Outcome& outcome);
    std::optional<ForCaller> takeCaller();
    static void handTo(const ForCaller& caller, const Rendered& rendered);
    static CallerResult busyFailure();
    static CallerResult grabFailure(const QString& reason);
    void endCapture();
    ScreenGrabber& grabber();
    WindowFinder& windowFinder();
    ActiveWindow& activeWindow();

    std::unique_ptr<ScreenGrabber> m_grabber;
    std::unique_ptr<WindowFinder> m_windowFinder;
    std::unique_ptr<ActiveWindow> m_activeWindow;
    std::vector<OverlayPtr> m_windows;
    std::unique_ptr<HotKey> m_escapeKey;
    std::optional<uint32_t> m_previousApp;
    bool m_busy = false;
    std::optional<Rendered> m_lastAutoCopied;
    std::optional<ForCaller> m_caller; // the area capture under way is a script's
    int m_unpainted = 0;
};
