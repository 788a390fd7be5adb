#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace lumisett::platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string& path, std::string* error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        if (error != nullptr) {
            const char* reason = dlerror();
            *error = reason != nullptr ? reason : "cannot load " + path;
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

std::unique_ptr<DynamicLibrary> DynamicLibrary::FindLoaded(const std::string& name) {
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
    dlclose(handle_);
}

void* DynamicLibrary::Symbol(const char* name) const {
    return dlsym(handle_, name);
}

} // namespace lumisett::platform
