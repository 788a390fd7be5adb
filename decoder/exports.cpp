// The library's C entry points. They forward to the stream handling and let nothing escape.
#include "decoder/stream.h"

extern "C" {

ULX3_EXPORT int32_t InitUlx(const char* path, StreamInfo** info) {
    return ulx3::OpenStream(path, info);
}

ULX3_EXPORT int32_t Ulx(int16_t* pcm) {
    return ulx3::DecodeNext(pcm);
}

ULX3_EXPORT int32_t UlxOneBck(void) {
    return ulx3::StepBack();
}

ULX3_EXPORT int32_t SeekUlx(float fraction) {
    return ulx3::SeekTo(fraction);
}

ULX3_EXPORT int32_t ResetUlx(void) {
    return ulx3::Rewind();
}

ULX3_EXPORT int32_t ExitUlx(void) {
    return ulx3::CloseStream();
}

ULX3_EXPORT int32_t UlxFrameSamples(void) {
    return ulx3::LastFrameSamples();
}

} // extern "C"
