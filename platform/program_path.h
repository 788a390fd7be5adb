#pragma once
// Where the running program and its libraries live.

#include <string>

namespace lumisett::platform {

// The directory of the running executable, ending with "/"; empty when it cannot be found.
std::string ExecutableDirectory();

// The directory of the shared object that contains `address` (a function or variable of the
// caller's own library), ending with "/"; empty when it cannot be found.
std::string LibraryDirectoryOf(const void* address);

// `path` cut right after its last "/" (the separator stays); empty when there is none.
std::string DirectoryPart(const std::string& path);

} // namespace lumisett::platform
