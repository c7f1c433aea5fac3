#include "capture/WindowFinder.h"

namespace {

// Wayland gives no client the other windows' frames: a click picks no window, a drag still works.
class NullWindowFinder final : public WindowFinder {
public:
    QList<QRectF> frontToBackRects() override { return {}; }
    bool listsWindows() const override { return false; }
};

} // namespace

std::unique_ptr<WindowFinder> WindowFinderNull::create() {
    return std::make_unique<NullWindowFinder>();
}
