#pragma once

// With BRINDLE_TRACE set, prints how long each stage of a capture took (to stderr), so slow
// start-ups can be pinned on a stage; otherwise does nothing.
namespace Trace {

bool enabled();
// Starts the clock for a new capture.
void start();
// Prints the milliseconds since start() next to what has just finished.
void mark(const char* stage);

} // namespace Trace
