#include "platform/program_path.h"

#include <dlfcn.h>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace lumisett::platform {

std::string DirectoryPart(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExecutableDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return {};
    }
    return DirectoryPart(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string LibraryDirectoryOf(const void* address) {
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    std::string path = info.dli_fname;
    if (!path.empty() && path.front() != '/') {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            path = resolved;
        }
    }
    return DirectoryPart(path);
}

} // namespace lumisett::platform
