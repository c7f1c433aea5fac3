#include "app/InstanceSocket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace InstanceSocket {

namespace {
constexpr std::string_view socketName = "brindlecap.socket";

std::string systemError(const std::string& path) {
    return path + ": " + std::strerror(errno);
}
} // namespace

std::string line(std::string_view command) {
    return "BRINDLECAP " + std::to_string(protocolVersion) + ' ' + std::string(command) + '\n';
}

bool isPrivateFolder(const std::string& path, std::string* error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        *error = systemError(path);
        return false;
    }
    if (!S_ISDIR(info.st_mode))
        *error = path + " no es una carpeta";
    else if (info.st_uid != ::getuid())
        *error = "la carpeta " + path + " pertenece a otro usuario";
    else if ((info.st_mode & 077) != 0)
        *error = "otros usuarios pueden entrar en la carpeta " + path;
    else
        return true;
    return false;
}

std::string defaultPath(std::string* error) {
    std::string problem;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && isPrivateFolder(runtime, &problem))
        return std::string(runtime) + '/' + std::string(socketName);

    // The temporary folder as Qt names it, so both sides agree.
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    folder += "/brindlecap-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        problem = systemError(folder);
    else if (isPrivateFolder(folder, &problem))
        return folder + '/' + std::string(socketName);
    if (error)
        *error = problem;
    return {};
}

} // namespace InstanceSocket
