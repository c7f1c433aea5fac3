// `brindlecap`: hands a command to the running program over its socket without loading Qt, whose
// libraries take several times longer to load than the whole hand-over, and serves captures for
// scripts (CaptureClient); everything else (starting the program, help, errors) is the program's
// own work, so it runs in this process's place. Only a program that listens but does not answer
// is reported here: starting another would make two.
#include "app/Arguments.h"
#include "app/CaptureClient.h"
#include "app/InstanceSocket.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int answerTimeoutMs = 3000;

// The word sent for this invocation, or nothing when the program must see it.
std::optional<std::string> commandOf(const Arguments::Parsed& parsed) {
    if (parsed.kind == Arguments::Kind::launch)
        return "reopen";
    if (parsed.kind == Arguments::Kind::command && !parsed.output && !parsed.search)
        return parsed.command;
    return std::nullopt;
}

bool readAnswer(int fd, std::string& answer) {
    char buffer[16];
    while (answer.find('\n') == std::string::npos && answer.size() < 16) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, answerTimeoutMs) <= 0)
            return false;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        answer.append(buffer, size_t(got));
    }
    return true;
}

// A socket connected to the running program, or -1. A program that listens but does not answer
// (stopped, or its queue of connections full) leaves errno at EAGAIN or EINTR: connect() would
// wait for it for ever without the time limit.
int connectToProgram() {
    const std::string path = InstanceSocket::defaultPath().path;
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        errno = ENOENT;
        return -1;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const timeval limit{answerTimeoutMs / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

enum class HandOver { taken, unresponsive, toProgram };

// `toProgram` when nobody listens or the exchange failed otherwise: the program itself takes over.
HandOver handOver(const std::string& command) {
    const int fd = connectToProgram();
    if (fd < 0)
        return errno == EAGAIN || errno == EINTR ? HandOver::unresponsive : HandOver::toProgram;
    const std::string line = InstanceSocket::line(command);
    std::string answer;
    HandOver result = HandOver::toProgram;
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size()))
        result = HandOver::toProgram;
    else if (!readAnswer(fd, answer))
        result = HandOver::unresponsive;
    else if (answer == "OK\n")
        result = HandOver::taken;
    ::close(fd);
    return result;
}

// The program lies beside this launcher.
std::optional<std::string> programPath() {
    std::array<char, PATH_MAX> self{};
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0)
        return std::nullopt;
    std::string path(self.data(), size_t(length));
    return path.substr(0, path.rfind('/') + 1) + "brindlecap-app";
}

} // namespace

int main(int argc, char* argv[]) {
    const Arguments::Parsed parsed = Arguments::parse({argv + 1, argv + argc});
    const std::optional<std::string> program = programPath();
    if (parsed.kind == Arguments::Kind::command && parsed.output)
        return CaptureClient::run(parsed, connectToProgram, program.value_or("brindlecap-app"));
    if (const std::optional<std::string> command = commandOf(parsed)) {
        switch (handOver(*command)) {
        case HandOver::taken:
            return 0;
        case HandOver::unresponsive:
            std::fputs("brindlecap: Brindlecap está en ejecución pero no responde.\n", stderr);
            return 1;
        case HandOver::toProgram:
            break;
        }
    }
    if (program)
        ::execv(program->c_str(), argv);
    std::fprintf(stderr, "brindlecap: %s: %s\n", program ? program->c_str() : "brindlecap-app",
                 std::strerror(errno));
    return 127;
}
