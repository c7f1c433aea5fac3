#pragma once

#include "app/Arguments.h"

#include <functional>
#include <string>

// The launcher's side of `brindlecap area|full --output PATH|-`: the running program captures and
// encodes, and this process writes the PNG, so a relative path, the permissions and standard output
// are the caller's own. Plain C++, like the rest of the launcher.
namespace CaptureClient {

// A connected socket to the running program, or -1 when none answers (errno EAGAIN or EINTR when
// one listens but does not answer).
using Connect = std::function<int()>;

// Does the whole request and returns the exit status: 0 once the file is complete, 1 for any
// failure or a cancelled capture (after one line on standard error). Starts `program` first
// when nothing answers.
int run(const Arguments::Parsed& parsed, const Connect& connect, const std::string& program);

} // namespace CaptureClient
