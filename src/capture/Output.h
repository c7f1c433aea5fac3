#pragma once

#include "annotation/Rendered.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The one way a finished capture leaves the program: clipboard, PNG file and history.
namespace Output {

// Called once on the main thread: success when the PNG file was written or none was asked for,
// otherwise the failure naming the file and the reason.
using Completion = std::function<void(const Status& written)>;

// Puts the image on the clipboard (PNG, then TIFF), writes it as a new PNG file at `saveTo`
// (creating the folder; a taken name gets " (2)", " (3)", ... and is never replaced) and adds it
// to the history when `history` and the keepHistory setting are on. Returns at once: encoding
// and disk work run on the thread pool. A copy started later wins the clipboard even when an
// older, slower one finishes after it. Main thread only.
void deliver(const Rendered& rendered, bool copy, const std::optional<QString>& saveTo,
             bool history, Completion completion = {});

// The PNG of the capture, recording its density; nothing for an empty capture.
std::optional<QByteArray> pngData(const Rendered& rendered);

} // namespace Output
