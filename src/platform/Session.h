#pragma once

// What every service picked for this session, on one stderr line each at start-up, so a bug
// report on an unusual desktop says which back-ends ran.
namespace Session {
void announce(const char* service, const char* backend);
} // namespace Session
