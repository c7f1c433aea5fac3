#pragma once

#include <QList>
#include <QRectF>

#include <memory>

// The frames of the ordinary windows on screen, frontmost first, in Qt global logical
// coordinates: what a click on the overlay can pick. One back-end per session type; pick one
// with makeWindowFinder().
class WindowFinder {
public:
    virtual ~WindowFinder() = default;

    // Never fails; problems shorten the list.
    virtual QList<QRectF> frontToBackRects() = 0;
    // Whether this session can list windows at all, so the overlay may offer a click on one.
    virtual bool listsWindows() const { return true; }
};

// The back-end for this session: BRINDLE_WINDOW_FINDER=x11|null overrides the choice made from
// QGuiApplication::platformName(); a session without a back-end lists no windows.
std::unique_ptr<WindowFinder> makeWindowFinder();

namespace WindowFinderX11 {
std::unique_ptr<WindowFinder> create();
// Without a window manager: the viewable top-level windows, frontmost first. Used by
// frontToBackRects() when no EWMH stacking list exists.
QList<QRectF> rootChildrenRects();
} // namespace WindowFinderX11

namespace WindowFinderNull {
std::unique_ptr<WindowFinder> create();
} // namespace WindowFinderNull
