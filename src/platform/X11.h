#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

// The X connection Qt opened, and the few property helpers several subsystems share.
// Main thread only; every function answers "nothing" when Qt does not run on xcb.
namespace X11 {

// Whether a service takes its X11 back-end: the environment variable `override` set to "x11" or
// "null" decides, otherwise whether Qt runs on xcb.
bool chosenFor(const char* override);

xcb_connection_t* connection();
xcb_window_t rootWindow();
// Returns once the server has handled every request sent before.
void sync();
// Interned once per name and cached; XCB_ATOM_NONE on failure.
xcb_atom_t atom(const char* name);

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The 32-bit items of a format-32 property reply (CARDINAL, ATOM, WINDOW lists).
QList<uint32_t> values32(const xcb_get_property_reply_t* reply);
std::optional<uint32_t> firstValue32(const xcb_get_property_reply_t* reply);

// Whether pixels of this depth travel as 32-bit little-endian words, the layout of
// QImage::Format_RGB32, so images can be copied to and from the server as they are.
bool isXrgb32(xcb_connection_t* c, uint8_t depth);

// Whether a compositing manager runs; without one translucent pixels show black. True off xcb.
bool compositing();
// Cuts a translucent window's corners off with a rounded mask when nothing composites it, so
// they show what lies beneath instead of black. Call on every resize.
void roundCornersUncomposited(QWidget* window, double radius);

// The character of a key with no modifier applied, from the server's keyboard map: "5" for the
// key whose Shift level is "%". Empty for keys without one.
QString unmodifiedKeyText(quint32 keycode);

xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property,
                                          xcb_atom_t type = XCB_ATOM_ANY);

} // namespace X11
