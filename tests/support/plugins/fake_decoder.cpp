// A stand-in for the Layer III decoder library, for tests of the host's binding: it exports
// the six entry points (DECODER_WITHOUT_EXIT leaves out ExitUlx) and decodes nothing.

#include "decoder/ulx3_api.h"
#include "plugin_common/effect_api.h"

extern "C" {

LUMISETT_EXPORT int32_t InitUlx(const char*, StreamInfo**) { return -5; }
LUMISETT_EXPORT int32_t Ulx(int16_t*) { return -4; }
LUMISETT_EXPORT int32_t UlxOneBck(void) { return 0; }
LUMISETT_EXPORT int32_t SeekUlx(float) { return -3; }
LUMISETT_EXPORT int32_t ResetUlx(void) { return 0; }
#ifndef DECODER_WITHOUT_EXIT
LUMISETT_EXPORT int32_t ExitUlx(void) { return 0; }
#endif

} // extern "C"
