#pragma once

#include "annotation/Tool.h"
#include "settings/CaptureAction.h"
#include "shortcuts/KeyCombo.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Typed access to the persistent settings (~/.config/Brindlecap/Brindlecap.conf), through
// SettingsFile: a value written anywhere, by this process or by hand, is seen by the next read
// everywhere, and a write changes only its own key's line. Safe to call from any thread.
namespace Prefs {

namespace Keys {
inline constexpr char autoCopy[] = "autoCopy";
inline constexpr char autoSaveArea[] = "autoSaveArea";
inline constexpr char autoSaveFullScreen[] = "autoSaveFullScreen";
inline constexpr char keepHistory[] = "keepHistory";
inline constexpr char showLoupe[] = "showLoupe";
inline constexpr char markerOpacity[] = "markerOpacity";
inline constexpr char saveFolder[] = "saveFolder";
inline constexpr char didShowWelcome[] = "didShowWelcome";
inline constexpr char didRequestScreenCapture[] = "didRequestScreenCapture";

// "size." + tool name.
QString size(Tool tool);
// "hotkey." + action raw value.
QString hotkey(CaptureAction action);
} // namespace Keys

// Default true; anything stored that is not exactly a boolean reads true.
bool autoCopy();
bool autoSaveArea();
bool autoSaveFullScreen();
bool keepHistory();
bool showLoupe();
// Default false; only ever set to true.
bool didShowWelcome();
bool didRequestScreenCapture();
// Writes a boolean key as it is; for the keys above.
void setBool(const QString& key, bool value);

// Always within the marker's opacity range.
double markerOpacity();
// Stores the value clamped to the marker's opacity range; a value that is not a finite number
// changes nothing.
void setMarkerOpacity(double opacity);

// The stored folder, else <Pictures>/Brindlecap. A stored value that is not an absolute path, or
// that names something other than a folder, counts as unset. Not created.
QString saveFolder();
// Stores a folder path; an empty path removes the choice, so the default applies again.
void setSaveFolder(const QString& path);

// "Brindlecap yyyy-MM-dd HH.mm.ss.png" for now, or for the given local time.
QString newFileName();
QString newFileName(const QDateTime& time);

// Size of new annotations of the tool, within its range; text and pixelate always 3.
double size(Tool tool);
// Stores the size clamped to the tool's range; does nothing for text and pixelate, or for a
// value that is not a finite number.
void setSize(double size, Tool tool);

// The action's shortcut: the default while nothing is stored, none when the stored value does
// not decode (an empty value included).
std::optional<KeyCombo> combo(CaptureAction action);
// Stores the shortcut, or an empty value for none; the key stays, so a cleared shortcut never
// falls back to the default.
void setCombo(const std::optional<KeyCombo>& combo, CaptureAction action);
// Shift+Ctrl+9 for area, Shift+Ctrl+8 for full screen, Shift+Ctrl+0 for recents.
KeyCombo defaultCombo(CaptureAction action);

} // namespace Prefs
