// Keeps Qt's core library loaded for the whole test program, as the host keeps it: plug-ins
// that use Qt are loaded and unloaded many times, and unloading Qt itself with the last of
// them would leave Qt's start-up allocations behind as leaks.

#include <QtGlobal>

namespace {
[[maybe_unused]] const char* const g_qtVersion = qVersion();
}
