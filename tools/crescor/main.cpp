// crescor: converts 16-bit PCM WAV files to Crescor (".cq") files and back.
//   crescor encode IN.wav OUT.cq
//   crescor decode IN.cq OUT.wav
// Exit status: 0 done, 1 the input could not be converted or the output not written, 2 usage.

#include "host/source/crescor_encoder.h"
#include "host/source/crescor_reader.h"
#include "host/source/wav_file.h"
#include "platform/file_io.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace lumisett::host;

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: crescor encode IN.wav OUT.cq\n"
    "       crescor decode IN.cq OUT.wav\n"
    "\n"
    "encode  stores a 16-bit PCM WAV file (one or two channels) losslessly as a Crescor file.\n"
    "        Crescor files always hold two channels: a one-channel file is stored as two\n"
    "        equal channels.\n"
    "decode  writes a Crescor file's audio as a two-channel 16-bit PCM WAV file.\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "crescor: %s\n", message.c_str());
    return kExitFailed;
}

std::vector<std::int16_t> AsStereo(const WavAudio& audio) {
    if (audio.channels == 2) {
        return audio.samples;
    }
    std::vector<std::int16_t> stereo;
    stereo.reserve(2 * audio.samples.size());
    for (std::int16_t sample : audio.samples) {
        stereo.push_back(sample);
        stereo.push_back(sample);
    }
    return stereo;
}

int Encode(const std::string& input, const std::string& output) {
    WavReadResult wav = ReadWavFile(input);
    if (!wav.ok()) {
        return Fail(input + ": " + wav.error);
    }
    std::optional<std::vector<std::uint8_t>> file =
        EncodeCrescor(AsStereo(wav.audio), wav.audio.sampleRate);
    if (!file) {
        return Fail(input + ": too long for a Crescor file (4 GiB at most)");
    }
    if (!lumisett::platform::WriteFileAtomically(output, *file)) {
        return Fail(output + ": cannot write the file");
    }
    return kExitDone;
}

class InputFile {
public:
    explicit InputFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~InputFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// All samples the blocks hold, read as the host reads them.
std::vector<std::int16_t> DecodeAll(int fd) {
    constexpr int kChunk = 16384;
    CrescorReader reader(fd);
    std::vector<std::int16_t> samples;
    int got = 0;
    do {
        const std::size_t before = samples.size();
        samples.resize(before + kChunk);
        got = reader.Read(samples.data() + before, kChunk);
        samples.resize(before + static_cast<std::size_t>(got));
    } while (got == kChunk);
    return samples;
}

int Decode(const std::string& input, const std::string& output) {
    InputFile file(input);
    if (file.fd() < 0) {
        return Fail(input + ": cannot open the file");
    }
    std::optional<CrescorHeader> header = ReadCrescorHeader(file.fd());
    if (!header) {
        return Fail(input + ": not a two-channel Crescor file");
    }
    WavAudio audio;
    audio.channels = kCrescorChannels;
    audio.sampleRate = header->sampleRate;
    audio.samples = DecodeAll(file.fd());
    const std::uint64_t decodedBytes = audio.samples.size() * sizeof(std::int16_t);
    if (decodedBytes != header->pcmLength) {
        return Fail(input + ": damaged: the blocks give " + std::to_string(decodedBytes) +
                    " bytes of audio where the header announces " +
                    std::to_string(header->pcmLength));
    }
    if (!WriteWavFile(output, audio)) {
        return Fail(output + ": cannot write the file");
    }
    return kExitDone;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        return kExitDone;
    }
    if (argc != 4) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string_view command = argv[1];
    if (command == "encode") {
        return Encode(argv[2], argv[3]);
    }
    if (command == "decode") {
        return Decode(argv[2], argv[3]);
    }
    std::fputs(kUsage, stderr);
    return kExitUsage;
}
