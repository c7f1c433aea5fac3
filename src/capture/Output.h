#pragma once

#include "annotation/Rendered.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QMimeData>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The one way a finished capture leaves the program: clipboard, PNG file and history.
namespace Output {

// Called once on the main thread: success when the PNG file was written or none was asked for,
// otherwise the failure naming the file and the reason.
using Completion = std::function<void(const Status& written)>;

// Puts the image on the clipboard (see clipboardData) as soon as its PNG exists, writes it as a new
// PNG file at `saveTo` (creating the folder; a taken name gets " (2)", " (3)", ... and is never
// replaced) and adds it to the history when `history` and the keepHistory setting are on. Returns
// at once: encoding and disk work run on the thread pool. A copy started later wins the clipboard
// even when an older, slower one finishes after it. Main thread only.
void deliver(const Rendered& rendered, bool copy, const std::optional<QString>& saveTo,
             bool history, Completion completion = {});

// How many deliveries with copy on were started; main thread only.
qint64 generation();

// The PNG of the capture, recording its density; nothing for an empty capture. A capture with
// the same pixels as the one encoded last (the canvas copies every change as it happens) gets
// that PNG, waiting for it if it is still being made. Any thread.
std::optional<QByteArray> pngData(const Rendered& rendered);

// Clipboard contents for a capture: image/png, then image/tiff (LZW) and the image Qt programs
// read, both made only when another program asks for them. Without `rendered` the image is
// decoded from the PNG when first needed. For QClipboard::setMimeData, which takes it over.
std::unique_ptr<QMimeData> clipboardData(const QByteArray& png, const Rendered& rendered = {});

// pngData() on the thread pool; `done` runs on the main thread. Main thread only.
void encode(const Rendered& rendered, std::function<void(std::optional<QByteArray>)> done);

} // namespace Output
