#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The running program's socket: where it is and what a client says on it. Plain C++, so the small
// `brindlecap` launcher shares it without loading Qt.
//
// Wire format: one line "BRINDLECAP <version> <command>\n" from the client, answered by "OK\n"
// when the command was taken. Anything else is dropped without an answer.
//
// A capture for the client adds "--output" and optionally "--screen <index or name>" and "--copy"
// to an `area` or `full` line. "OK\n" then only says it was taken; the result follows on the same
// connection as "PNG <length>\n" and the bytes, "CANCELLED\n" or "ERROR <message>\n", and the
// program closes the connection.
namespace InstanceSocket {

constexpr int protocolVersion = 1;

struct Request {
    std::string command;
    bool toCaller = false;
    std::string screen; // empty: the display under the pointer
    bool copy = false;

    friend bool operator==(const Request&, const Request&) = default;
};

std::string line(std::string_view command);
std::string line(const Request& request);
// The request of a line (with or without its line break), or nothing for anything malformed.
std::optional<Request> parseLine(std::string_view line);

// How a capture for the client ended.
struct Result {
    enum Kind { png, cancelled, error };
    Kind kind = error;
    size_t length = 0;   // png: the bytes that follow
    std::string message; // error
};
std::string pngHeader(size_t length);
std::string cancelledLine();
// One line, whatever `message` holds.
std::string errorLine(std::string_view message);
std::optional<Result> parseResult(std::string_view header);

// A path, or why there is none in words for the user: Result<QString>'s plain counterpart for the
// launcher, which loads no Qt.
struct Place {
    std::string path;  // empty when there is none
    std::string error; // empty when there is a path
    explicit operator bool() const { return !path.empty(); }
};

// `path` when it is a real folder (not a link) of this user that nobody else may enter; anything
// else could let another user speak to us or sit in our place.
Place privateFolder(const std::string& path);

// The socket in $XDG_RUNTIME_DIR, or in a private folder of ours under the temporary folder when
// that is unset or unfit.
Place defaultPath();

} // namespace InstanceSocket
