#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

// Writing captures to disk so that a crash never leaves a truncated image under a final name.
namespace CaptureFile {

// `path` when nothing exists there, else the first free "name (2).png", "name (3).png", ...
QString freeName(const QString& path);

// Writes under `path` or, when that name is taken, under the next free numbered name; never
// replaces a file, even one created by a concurrent writer. The path written, or why nothing
// was. Safe off the main thread.
Result<QString> writeNew(const QString& path, const QByteArray& bytes);

// Writes `path`, replacing what is there in one step.
Status replace(const QString& path, const QByteArray& bytes);

} // namespace CaptureFile
