#pragma once

#include <string>
#include <string_view>

// The running program's socket: where it is and what a client says on it. Plain C++, so the small
// `brindlecap` launcher shares it without loading Qt.
//
// Wire format: one line "BRINDLECAP <version> <command>\n" from the client, answered by "OK\n"
// when the command was taken. Anything else is dropped without an answer.
namespace InstanceSocket {

constexpr int protocolVersion = 1;

std::string line(std::string_view command);

// A real folder (not a link) of this user that nobody else may enter; anything else could let
// another user speak to us or sit in our place.
bool isPrivateFolder(const std::string& path, std::string* error);

// The socket in $XDG_RUNTIME_DIR, or in a private folder of ours under the temporary folder when
// that is unset or unfit. Empty (with `error` set) when no private place can be had.
std::string defaultPath(std::string* error = nullptr);

} // namespace InstanceSocket
