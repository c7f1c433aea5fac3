#include "app/CaptureClient.h"

#include "app/InstanceSocket.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace CaptureClient {

namespace {

// A program just started needs a while before it reads its socket: Qt, the tray, the shortcuts.
constexpr int startMs = 20000;
constexpr int startPollMs = 50;
// A running program takes a request at once.
constexpr int answerMs = 3000;
// A full-screen capture and its encoding take well under this.
constexpr int fullScreenMs = 60000;
constexpr size_t maxHeader = 1024;

// The temporary file a signal must not leave behind.
char pendingTemp[4096];

void removePendingAndDie(int signal) {
    if (pendingTemp[0])
        ::unlink(pendingTemp);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "brindlecap: %s\n", message.c_str());
    return 1;
}

std::string systemError() {
    return std::strerror(errno);
}

// Where the PNG goes: standard output, or a temporary file beside the target, renamed over it
// once complete, so the target never holds half an image and a failure leaves nothing behind.
class Target {
public:
    explicit Target(std::string path) : m_path(std::move(path)) {}
    ~Target() { discard(); }

    // Creates the temporary file before anything is captured; the reason when it cannot.
    std::optional<std::string> open() {
        if (m_path == "-") {
            m_fd = STDOUT_FILENO;
            return std::nullopt;
        }
        struct stat info {};
        if (::stat(m_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return "«" + m_path + "» es una carpeta";
        const size_t slash = m_path.rfind('/');
        const std::string folder = slash == std::string::npos ? "./" : m_path.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
        std::string temp = folder + "." + name + ".XXXXXX";
        if (temp.size() >= sizeof pendingTemp)
            return "«" + m_path + "»: " + std::strerror(ENAMETOOLONG);
        m_fd = ::mkstemp(temp.data());
        if (m_fd < 0)
            return "no se puede escribir en «" + m_path + "»: " + systemError();
        m_temp = temp;
        std::memcpy(pendingTemp, temp.c_str(), temp.size() + 1);
        // mkstemp makes it private; the file gets what a plain create would give it.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
        return std::nullopt;
    }

    bool write(const char* data, size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= size_t(written);
        }
        return true;
    }

    // Makes the file complete under its name; the reason when it cannot.
    std::optional<std::string> commit() {
        if (m_temp.empty())
            return std::nullopt;
        if (::fsync(m_fd) != 0 || ::close(std::exchange(m_fd, -1)) != 0 ||
            ::rename(m_temp.c_str(), m_path.c_str()) != 0)
            return "no se pudo escribir «" + m_path + "»: " + systemError();
        m_temp.clear();
        pendingTemp[0] = 0;
        return std::nullopt;
    }

    std::string writeError() const {
        return (m_temp.empty() ? std::string("no se pudo escribir en la salida estándar")
                               : "no se pudo escribir «" + m_path + "»") +
               ": " + systemError();
    }

private:
    void discard() {
        if (m_temp.empty())
            return;
        ::close(m_fd);
        ::unlink(m_temp.c_str());
        m_temp.clear();
        pendingTemp[0] = 0;
    }

    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
};

// Reads the program's answer: lines, then raw bytes.
class Reader {
public:
    explicit Reader(int fd) : m_fd(fd) {}
    ~Reader() { ::close(m_fd); }

    // One line without its break; nothing on time-out (negative: none), end or error.
    std::optional<std::string> line(int timeoutMs) {
        size_t end;
        while ((end = m_buffer.find('\n')) == std::string::npos) {
            if (m_buffer.size() > maxHeader || !fill(timeoutMs))
                return std::nullopt;
        }
        std::string text = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 1);
        return text;
    }

    // Copies exactly `length` bytes to `target`. False when the connection ends early, or (with
    // `writeFailed` set) when the target refuses them.
    bool copy(size_t length, Target& target, bool& writeFailed) {
        writeFailed = false;
        while (length > 0) {
            if (m_buffer.empty() && !fill(fullScreenMs))
                return false;
            const size_t part = std::min(length, m_buffer.size());
            if (!target.write(m_buffer.data(), part)) {
                writeFailed = true;
                return false;
            }
            m_buffer.erase(0, part);
            length -= part;
        }
        return true;
    }

private:
    bool fill(int timeoutMs) {
        pollfd ready{m_fd, POLLIN, 0};
        int polled;
        while ((polled = ::poll(&ready, 1, timeoutMs)) < 0 && errno == EINTR) {
        }
        if (polled <= 0)
            return false;
        char chunk[1 << 16];
        const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got <= 0)
            return false;
        m_buffer.append(chunk, size_t(got));
        return true;
    }

    int m_fd;
    std::string m_buffer;
};

// Starts the program in its own session, apart from this caller's terminal and pipes, so a
// script reading our output sees its end when we exit. Another start racing with this one is
// harmless: BRINDLE_START_ONLY makes the later program leave quietly.
bool startProgram(const std::string& program) {
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::setsid();
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            ::dup2(null, fd);
        ::setenv("BRINDLE_START_ONLY", "1", 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return true;
}

// A connection on which the program took `request`, starting the program when nobody answers.
// Nothing (after a message) when that fails.
std::unique_ptr<Reader> sendRequest(const std::string& request, const Connect& connect,
                                    const std::string& program) {
    bool started = false;
    for (int waited = 0;; waited += startPollMs) {
        if (const int fd = connect(); fd >= 0) {
            auto reader = std::make_unique<Reader>(fd);
            if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                    ssize_t(request.size()) &&
                reader->line(started ? startMs : answerMs) == "OK")
                return reader;
            // A program still starting may close a first connection unanswered.
            if (!started) {
                fail("Brindlecap no aceptó la captura (¿una versión anterior en ejecución?)");
                return nullptr;
            }
        } else if (!started && (errno == EAGAIN || errno == EINTR)) {
            // Starting another would make two.
            fail("Brindlecap está en ejecución pero no responde.");
            return nullptr;
        } else if (!started) {
            if (!Arguments::hasGraphicalSession()) {
                fail(Arguments::noSessionMessage);
                return nullptr;
            }
            if (!startProgram(program)) {
                fail("no se pudo iniciar «" + program + "»: " + systemError());
                return nullptr;
            }
            started = true;
        }
        if (waited >= startMs) {
            fail("Brindlecap no respondió tras iniciarse");
            return nullptr;
        }
        ::usleep(startPollMs * 1000);
    }
}

} // namespace

int run(const Arguments::Parsed& parsed, const Connect& connect, const std::string& program) {
    Target target(*parsed.output);
    if (const std::optional<std::string> problem = target.open())
        return fail(*problem);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, removePendingAndDie);
    std::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<Reader> reader =
        sendRequest(InstanceSocket::line(InstanceSocket::Request{
                        parsed.command, true, parsed.screen.value_or(""), parsed.copy}),
                    connect, program);
    if (!reader)
        return 1;

    // An area capture lasts as long as the user takes.
    const std::optional<std::string> header =
        reader->line(parsed.command == "area" ? -1 : fullScreenMs);
    const std::optional<InstanceSocket::Result> result =
        header ? InstanceSocket::parseResult(*header) : std::nullopt;
    if (!result)
        return fail("la conexión con Brindlecap se cortó antes del resultado");
    switch (result->kind) {
    case InstanceSocket::Result::cancelled:
        return fail("captura cancelada");
    case InstanceSocket::Result::error:
        return fail(result->message);
    case InstanceSocket::Result::png:
        break;
    }
    bool writeFailed = false;
    if (!reader->copy(result->length, target, writeFailed))
        return fail(writeFailed ? target.writeError()
                                : "la conexión con Brindlecap se cortó a mitad de la imagen");
    if (const std::optional<std::string> problem = target.commit())
        return fail(*problem);
    return 0;
}

} // namespace CaptureClient
