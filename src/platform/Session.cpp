#include "platform/Session.h"

#include <cstdio>

void Session::announce(const char* service, const char* backend) {
    std::fprintf(stderr, "brindlecap: %s: %s\n", service, backend);
}
