#pragma once

#include <cstdint>
#include <memory>
#include <optional>

// The window the user was working in before a capture took the keyboard, so that it gets focus
// back afterwards. One back-end per session type; pick one with makeActiveWindow().
class ActiveWindow {
public:
    virtual ~ActiveWindow() = default;

    virtual std::optional<uint32_t> current() = 0;
    // Asks the window manager to activate the window; a window that has gone is ignored by it.
    virtual void activate(uint32_t window) = 0;
};

// The back-end for this session: BRINDLE_ACTIVE_WINDOW=x11|null overrides the choice made from
// QGuiApplication::platformName(); a session without a back-end remembers nothing.
std::unique_ptr<ActiveWindow> makeActiveWindow();

namespace ActiveWindowX11 {
std::unique_ptr<ActiveWindow> create();
} // namespace ActiveWindowX11

namespace ActiveWindowNull {
std::unique_ptr<ActiveWindow> create();
} // namespace ActiveWindowNull
