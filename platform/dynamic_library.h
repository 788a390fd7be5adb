#pragma once
// Loading shared libraries by full path and binding their exports by name.

#include <memory>
#include <string>

namespace lumisett::platform {

class DynamicLibrary {
public:
    // Loads the library at `path` (RTLD_NOW | RTLD_LOCAL). Null when it cannot be loaded;
    // `error` then says why.
    static std::unique_ptr<DynamicLibrary> Open(const std::string& path, std::string* error = nullptr);

    // Finds a library that is already loaded, never loading it. `name` is a full path or the
    // library's SONAME. Null when it is not loaded.
    static std::unique_ptr<DynamicLibrary> FindLoaded(const std::string& name);

    ~DynamicLibrary(); // unloads (drops this reference)
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Address of the export `name`, or null.
    void* Symbol(const char* name) const;

    template <typename Fn>
    Fn Function(const char* name) const {
        return reinterpret_cast<Fn>(Symbol(name));
    }

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

} // namespace lumisett::platform
