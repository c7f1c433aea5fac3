#pragma once

#include "capture/Shot.h"
#include "platform/Result.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QScreen;

// The outcome of one grab: shots in the order of the screens asked for (unmatched screens left
// out), or the failure of the whole call.
using GrabResult = Result<QList<Shot>>;

// Freezes screens into images at full device-pixel resolution, without the pointer.
// One back-end per session type; pick one with makeScreenGrabber().
class ScreenGrabber {
public:
    using Done = std::function<void(GrabResult)>;

    virtual ~ScreenGrabber() = default;

    // Grabs the screens one after the other. `done` always runs later on the main thread, never
    // inside this call, so callers can treat it like an awaited result.
    virtual void capture(const QList<QScreen*>& screens, Done done) = 0;

    // Asks for the right to read the screen after a failed grab; true when it is granted. The
    // first request of a session with a consent step shows the desktop's own prompt. Back-ends
    // without one (X11, none at all) answer true: their failures are not about access.
    virtual bool requestAccess() { return true; }

    // What the start-up log calls this back-end.
    virtual const char* name() const { return "otra"; }

protected:
    // Hands a result that is ready now to `done` on the main thread's next turn, as capture()
    // promises.
    static void deliverLater(Done done, GrabResult result);
};

// The back-end for this session: on X11 the X server; on Wayland the compositor's screen copy
// where it offers one (wlroots, KWin), else the desktop portal.
// BRINDLE_GRABBER=x11|getimage|wlr|portal|null overrides the choice; a session without a back-end
// gets one that always fails.
std::unique_ptr<ScreenGrabber> makeScreenGrabber();

namespace ScreenGrabberX11 {
enum class Transport { Auto, GetImage };
std::unique_ptr<ScreenGrabber> create(Transport transport);
} // namespace ScreenGrabberX11

// KWin's org.kde.KWin.ScreenShot2: one raw image per screen at its device size, through a pipe;
// nothing when the session bus has no KWin.
namespace ScreenGrabberKWin {
std::unique_ptr<ScreenGrabber> create();
} // namespace ScreenGrabberKWin

// wlroots' screen copy (sway, Hyprland, river); nullptr when the compositor offers none.
namespace ScreenGrabberWlr {
std::unique_ptr<ScreenGrabber> create();
} // namespace ScreenGrabberWlr

// The desktop portal's Screenshot, which hands over one image of the whole layout.
namespace ScreenGrabberPortal {
std::unique_ptr<ScreenGrabber> create();
// The layout's extent in logical pixels: the area the portal's image covers.
QRect layoutBounds(const QList<QRect>& geometries);

// Cuts screens out of the portal's image of the whole layout, each at its own device-pixel
// size, from the image's rows as they are read.
class LayoutCut {
public:
    struct Screen {
        QRect geometry;
        qreal dpr;
    };
    // Makes the screens' images at once, so they can be ready before the portal answers.
    LayoutCut(const QRect& bounds, const QList<Screen>& screens);
    // Then the portal's image: its size, and its rows from the top, each once.
    void begin(QSize imageSize);
    void addRow(int y, const QRgb* pixels);
    // All rows of a whole image of the layout.
    void addImage(const QImage& layout);
    // The screen's part; nothing when the image does not cover the screen.
    std::optional<QImage> image(qsizetype screen) const;

private:
    struct Part {
        QImage image;
        QRect geometry;
        QRect source;             // in the layout's image
        std::vector<int> rows;    // the image row each device row samples
        std::vector<int> columns; // likewise for columns; empty when they map one to one
        int nextRow = 0;
    };
    QRect m_bounds;
    QList<Part> m_parts;
};
} // namespace ScreenGrabberPortal

namespace ScreenGrabberNull {
std::unique_ptr<ScreenGrabber> create(QString reason);
} // namespace ScreenGrabberNull
