// Stream handling: opening a file, driving frames, stepping back, seeking, resetting and
// closing. The entry points of ulx3_api.h forward here.
#pragma once

#include "decoder/ulx3_api.h"

namespace ulx3 {

int32_t OpenStream(const char* path, StreamInfo** info);
int32_t DecodeNext(int16_t* pcm);
int32_t StepBack();
int32_t SeekTo(float fraction);
int32_t Rewind();
int32_t CloseStream();
int32_t LastFrameSamples();

} // namespace ulx3
