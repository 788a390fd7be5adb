#include "platform/audio/alsa_query.h"

#include "platform/audio/output_device.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <iterator>
#include <memory>

namespace lumisett::platform::alsa {

namespace {

snd_pcm_stream_t StreamOf(Direction direction) {
    return direction == Direction::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

// Non-blocking, so that a PCM busy elsewhere answers at once instead of waiting to be free.
PcmHandle OpenPcm(const std::string& name, Direction direction) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), StreamOf(direction), SND_PCM_NONBLOCK) < 0) {
        return nullptr;
    }
    return PcmHandle(pcm);
}

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;

// The configuration space of `pcm` narrowed to interleaved 16-bit stereo; null when the PCM
// cannot do that at any rate.
HwParams StereoSpace(snd_pcm_t* pcm) {
    snd_pcm_hw_params_t* raw = nullptr;
    if (snd_pcm_hw_params_malloc(&raw) < 0) {
        return nullptr;
    }
    HwParams params(raw);
    if (snd_pcm_hw_params_any(pcm, raw) < 0 ||
        snd_pcm_hw_params_set_access(pcm, raw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, raw, SND_PCM_FORMAT_S16_LE) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, raw, 2) < 0) {
        return nullptr;
    }
    return params;
}

bool Accepts(snd_pcm_t* pcm, snd_pcm_hw_params_t* space, int32_t rate) {
    return rate > 0 && snd_pcm_hw_params_test_rate(pcm, space, static_cast<unsigned>(rate), 0) == 0;
}

PcmHandle OpenConfigured(const std::string& name, Direction direction) {
    PcmHandle pcm = OpenPcm(name, direction);
    constexpr unsigned kLatencyMicroseconds = 500'000;
    if (pcm != nullptr && snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                                             44100, 1, kLatencyMicroseconds) < 0) {
        return nullptr;
    }
    return pcm;
}

} // namespace

bool Opens(const std::string& name, Direction direction) {
    return OpenPcm(name, direction) != nullptr;
}

bool AcceptsRate(const std::string& name, Direction direction, int32_t rate) {
    const PcmHandle pcm = OpenPcm(name, direction);
    if (pcm == nullptr) {
        return false;
    }
    const HwParams space = StereoSpace(pcm.get());
    return space != nullptr && Accepts(pcm.get(), space.get(), rate);
}

uint16_t RateMask(const std::string& name, Direction direction) {
    const PcmHandle pcm = OpenPcm(name, direction);
    if (pcm == nullptr) {
        return 0;
    }
    const HwParams space = StereoSpace(pcm.get());
    if (space == nullptr) {
        return 0;
    }
    uint16_t mask = 0;
    for (std::size_t i = 0; i < std::size(kDeviceRates); ++i) {
        if (Accepts(pcm.get(), space.get(), kDeviceRates[i])) {
            mask = static_cast<uint16_t>(mask | (1u << i));
        }
    }
    return mask;
}

bool OpensTogether(const std::string& input, const std::string& output) {
    const PcmHandle capture = OpenConfigured(input, Direction::Capture);
    if (capture == nullptr) {
        return false;
    }
    const PcmHandle playback = OpenConfigured(output, Direction::Playback);
    return playback != nullptr;
}

std::vector<std::string> HintedNames(Direction direction) {
    std::vector<std::string> names;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) {
        return names;
    }
    const char* wanted = direction == Direction::Playback ? "Output" : "Input";
    for (void** hint = hints; *hint != nullptr; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* ioid = snd_device_name_get_hint(*hint, "IOID"); // null: both directions
        if (name != nullptr && (ioid == nullptr || std::string(ioid) == wanted)) {
            names.emplace_back(name);
        }
        std::free(name);
        std::free(ioid);
    }
    snd_device_name_free_hint(hints);
    return names;
}

} // namespace lumisett::platform::alsa
