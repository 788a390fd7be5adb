/* A stand-in for the analyzer, for tests only: a library named "analyzer.so" that counts the
 * DenoClose calls it receives. */

#include "plugin_common/effect_api.h"

static int g_denoCloseCalls = 0;

LUMISETT_EXPORT void DenoClose(void) {
    ++g_denoCloseCalls;
}

LUMISETT_EXPORT int FakeAnalyzerDenoCloseCalls(void) {
    return g_denoCloseCalls;
}
