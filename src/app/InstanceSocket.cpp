#include "app/InstanceSocket.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace InstanceSocket {

namespace {
constexpr std::string_view socketName = "brindlecap.socket";

std::string systemError(const std::string& path) {
    return path + ": " + std::strerror(errno);
}
} // namespace

std::string line(std::string_view command) {
    return line(Request{std::string(command), false, {}, false});
}

std::string line(const Request& request) {
    std::string text = "BRINDLECAP " + std::to_string(protocolVersion) + ' ' + request.command;
    if (request.toCaller)
        text += " --output";
    if (!request.screen.empty())
        text += " --screen " + request.screen;
    if (request.copy)
        text += " --copy";
    return text + '\n';
}

std::optional<Request> parseLine(std::string_view line) {
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    std::vector<std::string_view> words;
    for (size_t start = 0; start <= line.size();) {
        const size_t end = std::min(line.find(' ', start), line.size());
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    if (words.size() < 3 || words[0] != "BRINDLECAP" ||
        words[1] != std::to_string(protocolVersion) || words[2].empty())
        return std::nullopt;
    Request request{std::string(words[2]), false, {}, false};
    for (size_t i = 3; i < words.size(); ++i) {
        if (words[i] == "--output" && !request.toCaller)
            request.toCaller = true;
        else if (words[i] == "--copy" && !request.copy)
            request.copy = true;
        else if (words[i] == "--screen" && request.screen.empty() && i + 1 < words.size() &&
                 !words[i + 1].empty())
            request.screen = std::string(words[++i]);
        else
            return std::nullopt;
    }
    if (!request.toCaller && (request.copy || !request.screen.empty()))
        return std::nullopt;
    return request;
}

std::string pngHeader(size_t length) {
    return "PNG " + std::to_string(length) + '\n';
}

std::string cancelledLine() {
    return "CANCELLED\n";
}

std::string errorLine(std::string_view message) {
    std::string text = "ERROR " + std::string(message);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text + '\n';
}

std::optional<Result> parseResult(std::string_view header) {
    if (header.ends_with('\n'))
        header.remove_suffix(1);
    if (header == "CANCELLED")
        return Result{Result::cancelled, 0, {}};
    if (header.starts_with("ERROR "))
        return Result{Result::error, 0, std::string(header.substr(6))};
    if (!header.starts_with("PNG "))
        return std::nullopt;
    const std::string_view digits = header.substr(4);
    size_t length = 0;
    const auto [end, failure] =
        std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (digits.empty() || failure != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return Result{Result::png, length, {}};
}

Place privateFolder(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {{}, systemError(path)};
    if (!S_ISDIR(info.st_mode))
        return {{}, path + " no es una carpeta"};
    if (info.st_uid != ::getuid())
        return {{}, "la carpeta " + path + " pertenece a otro usuario"};
    if ((info.st_mode & 077) != 0)
        return {{}, "otros usuarios pueden entrar en la carpeta " + path};
    return {path, {}};
}

Place defaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && privateFolder(runtime))
        return {std::string(runtime) + '/' + std::string(socketName), {}};

    // The temporary folder as Qt names it, so both sides agree.
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    folder += "/brindlecap-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {{}, systemError(folder)};
    Place place = privateFolder(folder);
    if (place)
        place.path += '/' + std::string(socketName);
    return place;
}

} // namespace InstanceSocket
