#include "capture/Trace.h"

#include <QElapsedTimer>
#include <QtGlobal>

#include <cstdio>

namespace Trace {

namespace {
QElapsedTimer& clock() {
    static QElapsedTimer timer;
    return timer;
}
} // namespace

bool enabled() {
    static const bool on = !qEnvironmentVariableIsEmpty("BRINDLE_TRACE");
    return on;
}

void start() {
    if (enabled())
        clock().start();
}

void mark(const char* stage) {
    if (!enabled() || !clock().isValid())
        return;
    std::fprintf(stderr, "trace %8.2f ms  %s\n", clock().nsecsElapsed() / 1e6, stage);
}

} // namespace Trace
