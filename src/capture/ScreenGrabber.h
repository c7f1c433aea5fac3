#pragma once

#include "capture/Shot.h"
#include "platform/Result.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

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
};

// The back-end for this session: BRINDLE_GRABBER=x11|getimage|null overrides the choice made from
// QGuiApplication::platformName(); a session without a back-end gets one that always fails.
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

namespace ScreenGrabberNull {
std::unique_ptr<ScreenGrabber> create(QString reason);
} // namespace ScreenGrabberNull
