#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Writing a file that no one else holds, so that a crash or a full disk never leaves a truncated
// file under a final name and no existing file is ever replaced: the bytes go to a hidden
// temporary file (mode 0600) in the same folder, synced, then take the first free name without
// replacing anything.
namespace NewFile {

// The name to try after `clash` names were found taken (0 for the first try); empty to give up.
using NameFor = std::function<QString(int clash)>;

// Writes `bytes` into `folder` under the first free name; the path written, or the failure with
// the file and the system's reason. Safe off the main thread.
Result<QString> write(const QString& folder, const QByteArray& bytes, const NameFor& nameFor);

// How a file that could not be written is reported, here and by other writers.
Failure failure(const QString& path, const QString& reason);

} // namespace NewFile
