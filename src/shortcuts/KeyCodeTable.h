#pragma once

#include <Qt>
#include <QtGlobal>

#include <optional>

// Shortcuts are stored with macOS virtual key codes and modifier bits, so that persisted
// values keep one meaning everywhere. This table ties each of those key codes to the X11
// keycode (evdev code + 8) of the key in the same physical position. Keys missing here cannot
// be recorded or grabbed.
namespace KeyCodeTable {

std::optional<quint32> x11FromMac(quint32 macKeyCode);
std::optional<quint32> macFromX11(quint32 x11KeyCode);

// X11 core modifier masks.
inline constexpr quint16 shiftMask = 1;
inline constexpr quint16 lockMask = 2;
inline constexpr quint16 controlMask = 4;
inline constexpr quint16 mod1Mask = 8;  // Alt
inline constexpr quint16 mod2Mask = 16; // NumLock
inline constexpr quint16 mod4Mask = 64; // Super

// Stored modifier bits as an X11 state mask: command = Ctrl, shift = Shift, option = Alt,
// control = Super.
quint16 x11Modifiers(quint32 macModifiers);
// The reverse, for matching key presses; lock modifiers (CapsLock, NumLock) are ignored.
quint32 macModifiersFromX11(quint16 x11State);
// Qt's modifier flags as stored modifier bits; keypad and group-switch flags are ignored.
quint32 macModifiers(Qt::KeyboardModifiers modifiers);

} // namespace KeyCodeTable
