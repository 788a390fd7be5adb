// The stream file's read position, shared by the stream handling and the frame reader.
#pragma once

#include <cstdint>

namespace ulx3 {

// Reads up to count bytes at the current position and advances it; returns the bytes read.
int ReadStream(uint8_t* buffer, int count);

} // namespace ulx3
