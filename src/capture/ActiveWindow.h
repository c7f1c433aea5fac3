#pragma once

#include <cstdint>
#include <optional>

// The window the user was working in before a capture took the keyboard, so that it gets focus
// back afterwards. X11 only (EWMH _NET_ACTIVE_WINDOW); elsewhere there is nothing to remember.
namespace ActiveWindow {

std::optional<uint32_t> current();
// Asks the window manager to activate the window; a window that has gone is ignored by it.
void activate(uint32_t window);

} // namespace ActiveWindow
