#pragma once
// The process's scheduling class, as the I/O Options window offers it.

#include <string>

namespace lumisett::platform {

enum class ProcessPriority { High, Normal, Low };

// Sets the class at once: High raises the process (nice −10, which needs permission), Normal
// is the system's default, Low runs only when nothing else wants the processor. False (with
// `error` in words for the user) when the system refused.
bool SetProcessPriority(ProcessPriority priority, std::string* error = nullptr);

// The class the process runs in now; nothing matches a class set from outside.
bool CurrentProcessPriority(ProcessPriority& priority);

} // namespace lumisett::platform
