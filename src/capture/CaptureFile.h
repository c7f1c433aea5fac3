#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writing captures to disk so that a crash never leaves a truncated image under a final name:
// the bytes go to a temporary file in the same folder, synced, then renamed into place.
namespace CaptureFile {

// `path` when nothing exists there, else the first free "name (2).png", "name (3).png", ...
QString freeName(const QString& path);

// Writes under `path` or, when that name is taken, under the next free numbered name; never
// replaces a file, even one created by a concurrent writer. The path written, or nothing with
// the reason in `error`. Safe off the main thread.
std::optional<QString> writeNew(const QString& path, const QByteArray& bytes,
                                QString* error = nullptr);

// Writes `path`, replacing what is there in one step. False with the reason in `error`.
bool replace(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace CaptureFile
