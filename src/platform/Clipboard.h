#pragma once

#include <QMimeData>

#include <memory>

// The desktop clipboard. On Wayland Qt may set it only right after an input event of its own and
// fails silently otherwise (a capture started by a desktop shortcut has none), so where the
// compositor offers the data-control protocol the program owns the clipboard through that; on X11
// and elsewhere through QClipboard. Main thread only.
namespace Clipboard {

// Puts `data` on the clipboard in place of what was there; nullptr empties it.
void set(std::unique_ptr<QMimeData> data);
// The back-end's name for the start-up log, choosing it on first call.
const char* backendName();

} // namespace Clipboard
