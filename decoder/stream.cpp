// Stream handling: locating the audio data, checking the first header, driving the frames,
// stepping back, seeking, resetting and closing.
#include "decoder/stream.h"

#include "decoder/decoder_state.h"
#include "decoder/stream_file.h"
#include "decoder/tables.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ulx3 {

DecoderState g_state;

namespace {

// How far into a raw stream a first frame is looked for, past junk or a cut frame.
constexpr int kScanLength = 64 * 1024;
// The longest Layer III frame: 320 kbit/s at 32 kHz, with padding.
constexpr int kMaxFrameLength = 1441;
constexpr int kProbeLength = 4100;
constexpr int kSeekWindow = 2000;

int64_t g_position = 0;   // file offset of the next read
bool g_atEnd = false;
uint8_t g_scan[kScanLength + 3 * kMaxFrameLength + 8];

int ReadAt(int64_t offset, uint8_t* buffer, int count) {
    if (g_state.file < 0 || offset < 0 || count <= 0) {
        return 0;
    }
    int total = 0;
    while (total < count) {
        const ssize_t got = pread(g_state.file, buffer + total, static_cast<size_t>(count - total),
                                  offset + total);
        if (got <= 0) {
            break;
        }
        total += static_cast<int>(got);
    }
    return total;
}

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[1]) << 8 | p[0];
}

// A header this decoder can decode: Layer III with a listed bitrate and sampling frequency.
bool Decodable(const uint8_t* bytes, FrameHeader& header) {
    return ParseHeader(bytes, header) == 0 && header.layer == 1 && header.bitrateIndex > 0 &&
           header.bitrateIndex < 15 && header.samplingIndex < 3;
}

bool SameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.id == b.id && a.samplingIndex == b.samplingIndex;
}

// The sync pattern matches headers of the first frame's stream whatever their bitrate,
// padding and mode extension: variable-bitrate streams change the bitrate every frame.
bool MatchesPattern(const uint8_t* bytes) {
    const uint8_t* p = g_state.syncPattern;
    return bytes[0] == p[0] && bytes[1] == p[1] && (bytes[2] & 0x0D) == (p[2] & 0x0D) &&
           (bytes[3] & 0xCF) == (p[3] & 0xCF);
}

// A frame header at `offset` of the scan buffer that the next two headers confirm.
bool ConfirmedAt(int offset, int available) {
    FrameHeader first;
    int at = offset;
    for (int n = 0; n < 3; ++n) {
        if (at + 4 > available) {
            return false;
        }
        FrameHeader header;
        if (!Decodable(g_scan + at, header)) {
            return false;
        }
        if (n == 0) {
            first = header;
        } else if (!SameStream(first, header)) {
            return false;
        }
        at += FrameLength(header);
    }
    return true;
}

// Skips ID3v2 tags by their own size fields.
int64_t SkipTags(int64_t offset) {
    uint8_t tag[10];
    while (ReadAt(offset, tag, 10) == 10 && std::memcmp(tag, "ID3", 3) == 0 && tag[3] != 0xFF &&
           ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80) == 0) {
        const int64_t size = static_cast<int64_t>(tag[6]) << 21 | tag[7] << 14 | tag[8] << 7 | tag[9];
        offset += 10 + size + ((tag[5] & 0x10) ? 10 : 0);
    }
    return offset;
}

// The start of a RIFF/WAVE file's "data" chunk, found by walking its chunks; -1 if none.
int64_t RiffDataStart() {
    uint8_t chunk[12];
    if (ReadAt(0, chunk, 12) < 12 || std::memcmp(chunk, "RIFF", 4) != 0 ||
        std::memcmp(chunk + 8, "WAVE", 4) != 0) {
        return -1;
    }
    int64_t offset = 12;
    while (offset + 8 <= g_state.fileLength) {
        if (ReadAt(offset, chunk, 8) < 8) {
            break;
        }
        if (std::memcmp(chunk, "data", 4) == 0) {
            return offset + 8;
        }
        const int64_t size = Le32(chunk + 4);
        offset += 8 + size + (size & 1);
    }
    return 0;   // no data chunk: the header check at 0 refuses the file
}

// Where the frames begin: the RIFF data chunk, or the first confirmed header after any
// tags and junk; without a confirmed header, the place the header check then judges.
int64_t LocateData() {
    const int64_t riff = RiffDataStart();
    const int64_t base = riff >= 0 ? riff : SkipTags(0);
    const int available = ReadAt(base, g_scan, static_cast<int>(sizeof g_scan));
    const int last = std::min(available, kScanLength);
    for (int offset = 0; offset < last; ++offset) {
        if (g_scan[offset] == 0xFF && ConfirmedAt(offset, available)) {
            return base + offset;
        }
    }
    return base;
}

// Reads the header at `offset` and its CRC word; 0, or the header check's code.
int ReadHeaderAt(int64_t offset) {
    uint8_t bytes[4];
    if (ReadAt(offset, bytes, 4) < 4) {
        return -1;
    }
    FrameHeader header;
    const int result = ParseHeader(bytes, header);
    if (result != 0) {
        return result;
    }
    g_state.header = header;
    g_state.headerOffset = offset;
    g_position = offset + 4 + (header.protection == 0 ? 2 : 0);
    return 0;
}

// The next frame's header, accepted only when it continues the stream that was opened.
bool ReadFollowingHeader(int64_t offset) {
    uint8_t bytes[4];
    FrameHeader header;
    if (ReadAt(offset, bytes, 4) < 4 || !Decodable(bytes, header) ||
        header.id != g_state.openId || header.samplingIndex != g_state.openSamplingIndex) {
        return false;
    }
    return ReadHeaderAt(offset) == 0;
}

int FrameDistance(int64_t start) {
    uint8_t probe[kProbeLength];
    const int got = ReadAt(start, probe, kProbeLength);
    for (int offset = 5; offset <= 1999 && offset + 4 <= got; ++offset) {
        if (MatchesPattern(probe + offset)) {
            return offset;
        }
    }
    return 0;
}

// Frames announced by a Xing or Info frame at the start; 0 when there is none.
int64_t XingFrames(const FrameHeader& header, int64_t start) {
    uint8_t bytes[16];
    const int64_t at = start + 4 + (header.protection == 0 ? 2 : 0) + SideInfoSize(header);
    if (ReadAt(at, bytes, 12) < 12 ||
        (std::memcmp(bytes, "Xing", 4) != 0 && std::memcmp(bytes, "Info", 4) != 0)) {
        return 0;
    }
    return (Be32(bytes + 4) & 1) ? Be32(bytes + 8) : 0;
}

void FillInfo(const FrameHeader& header, int64_t start) {
    StreamInfo& info = g_state.info;
    info.version = static_cast<int16_t>(header.id == 1 ? 1 : 2);
    info.layer = 3;
    info.channels = static_cast<int16_t>(header.channels());
    info.bitrate = kBitrates[header.id][header.bitrateIndex];
    info.sampleRate = kSampleRates[header.id][header.samplingIndex];
    info.bitsPerSample = 16;
    info.samplesPerFrame = static_cast<int16_t>(header.id == 1 ? 1152 : 576);
    const int64_t frames = XingFrames(header, start);
    double total = frames > 0 ? static_cast<double>(frames) * info.samplesPerFrame
                              : static_cast<double>(g_state.dataLength) * info.sampleRate /
                                    (info.bitrate * 125.0);
    info.totalSamples = static_cast<int32_t>(std::min(std::trunc(total), 2147483647.0));
}

void ResetDecoding() {
    ClearSignalMemories();
    g_state.frameCounter = 0;
    g_state.reservoir.fill = 0;
    g_state.reservoir.bitPosition = 0;
    g_state.history.count = 0;
    g_state.lastFrameSamples = 0;
    g_atEnd = false;
}

int Fail(int code) {
    close(g_state.file);
    g_state.file = -1;
    return code;
}

void RememberFrame(int64_t offset) {
    FrameHistory& h = g_state.history;
    const Reservoir& r = g_state.reservoir;
    h.newest = (h.newest + 1) % kHistorySize;
    h.offsets[h.newest] = offset;
    h.reservoirFill[h.newest] = r.lastAppendStart;
    h.compactions[h.newest] = r.compactions;
    h.count = std::min(h.count + 1, kHistorySize);
}

// The header of the frame that ends where the current one begins, found backwards.
int64_t PreviousFrameByLength() {
    const int64_t current = g_state.headerOffset;
    const int64_t from = std::max(g_state.dataStart, current - 2 * kMaxFrameLength);
    const int span = static_cast<int>(current - from);
    if (ReadAt(from, g_scan, span) < span) {
        return -1;
    }
    for (int offset = span - 5; offset >= 0; --offset) {
        FrameHeader header;
        if (MatchesPattern(g_scan + offset) && Decodable(g_scan + offset, header) &&
            offset + FrameLength(header) == span) {
            return from + offset;
        }
    }
    return -1;
}

} // namespace

int ReadStream(uint8_t* buffer, int count) {
    const int got = ReadAt(g_position, buffer, count);
    g_position += got;
    return got;
}

int32_t OpenStream(const char* path, StreamInfo** info) {
    PrepareTables();
    PrepareHuffman();
    if (g_state.file >= 0) {
        close(g_state.file);
        g_state.file = -1;
    }
    ResetDecoding();
    if (path == nullptr) {
        return -5;
    }
    g_state.file = open(path, O_RDONLY | O_CLOEXEC);
    if (g_state.file < 0) {
        return -5;
    }
    struct stat status {};
    if (fstat(g_state.file, &status) != 0 || !S_ISREG(status.st_mode)) {
        return Fail(-5);
    }
    g_state.fileLength = status.st_size;
    g_state.dataStart = LocateData();
    g_state.dataLength = g_state.fileLength - g_state.dataStart;
    const int result = ReadHeaderAt(g_state.dataStart);
    if (result != 0) {
        return Fail(result);
    }
    const FrameHeader header = g_state.header;
    uint8_t bytes[4];
    ReadAt(g_state.dataStart, bytes, 4);
    std::memcpy(g_state.syncPattern, bytes, 4);
    // Free format (no frame length), the reserved bitrate and sampling frequency, and other
    // layers cannot be decoded here.
    if (header.layer != 1 || header.bitrateIndex == 0 || header.bitrateIndex == 15 ||
        header.samplingIndex == 3) {
        return Fail(-6);
    }
    g_state.frameDistance = FrameDistance(g_state.dataStart);
    if (g_state.frameDistance == 0) {
        return Fail(-6);
    }
    g_state.openId = header.id;
    g_state.openSamplingIndex = header.samplingIndex;
    g_state.openChannels = header.channels();
    FillInfo(header, g_state.dataStart);
    if (info != nullptr) {
        *info = &g_state.info;
    }
    return 0;
}

int32_t DecodeNext(int16_t* pcm) {
    if (g_state.file < 0 || g_atEnd) {
        g_state.lastFrameSamples = 0;
        return -4;
    }
    const int64_t current = g_state.headerOffset;
    g_state.lastFrameSamples = DecodeFrame(pcm);
    RememberFrame(current);
    const int64_t next = current + FrameLength(g_state.header);
    ++g_state.frameCounter;
    if (!ReadFollowingHeader(next)) {
        g_atEnd = true;
        return -4;
    }
    return 0;
}

int32_t StepBack() {
    if (g_state.file < 0) {
        return 0;
    }
    FrameHistory& h = g_state.history;
    int64_t target = -1;
    if (h.count > 0) {
        target = h.offsets[h.newest];
        // Back to the reservoir before that frame, unless its bytes have moved since; then
        // the frame finds no main data and decodes as silence.
        Reservoir& r = g_state.reservoir;
        r.fill = h.compactions[h.newest] == r.compactions ? h.reservoirFill[h.newest] : 0;
        h.newest = (h.newest + kHistorySize - 1) % kHistorySize;
        --h.count;
    } else {
        target = PreviousFrameByLength();
    }
    if (target < 0 || ReadHeaderAt(target) != 0) {
        ReadHeaderAt(g_state.headerOffset);
        return 0;
    }
    --g_state.frameCounter;
    g_atEnd = false;
    return 0;
}

int32_t SeekTo(float fraction) {
    if (g_state.file < 0 || !(fraction >= 0.0f && fraction <= 1.0f)) {
        return -3;
    }
    const int64_t target =
        g_state.dataStart + static_cast<int64_t>(static_cast<double>(g_state.dataLength) * fraction);
    uint8_t window[kSeekWindow];
    if (ReadAt(target, window, kSeekWindow) < kSeekWindow) {
        return -3;
    }
    for (int offset = 0; offset <= kSeekWindow - 5; ++offset) {
        FrameHeader header;
        if (MatchesPattern(window + offset) && Decodable(window + offset, header) &&
            SameStream(header, g_state.header)) {
            ReadHeaderAt(target + offset);
            g_state.frameCounter = 0;
            g_state.history.count = 0;
            g_atEnd = false;
            return 0;
        }
    }
    return -3;
}

int32_t Rewind() {
    if (g_state.file < 0) {
        return -1;
    }
    ResetDecoding();
    return ReadHeaderAt(g_state.dataStart);
}

int32_t CloseStream() {
    if (g_state.file < 0) {
        return 0;
    }
    const int result = close(g_state.file);
    g_state.file = -1;
    return result == 0 ? 0 : -1;
}

int32_t LastFrameSamples() {
    return g_state.lastFrameSamples;
}

} // namespace ulx3
