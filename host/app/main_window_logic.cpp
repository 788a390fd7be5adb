#include "host/app/main_window_logic.h"

#include "host/chain/decibel_table.h"
#include "host/headless/headless_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lumisett::host {
namespace {

constexpr int kStartupTicks = 5;
constexpr int kMonoMode = 1;

float DecibelsOf(int32_t peak) {
    return DecibelTable()[static_cast<std::size_t>(std::clamp(peak, 0, kDecibelTableSize - 1))];
}

EngineConfig EngineConfigFrom(const HostSettings& settings) {
    return {settings.bufferPairs, settings.bufferCount, settings.notifyByWindow != 0,
            settings.overflowWatch != 0};
}

} // namespace

LoadDigits LoadDisplayDigits(double share) {
    // Loads of 1000 % and more have no hundreds digit to show; they stay at 999.
    const int v = std::clamp(static_cast<int>(share * 100.0), 0, 999);
    const int hundreds = v / 100;
    const int tens = v % 100 / 10;
    LoadDigits digits;
    digits.places[0] = hundreds == 0 ? -1 : hundreds;
    digits.places[1] = hundreds == 0 && tens == 0 ? -1 : tens;
    digits.places[2] = v % 10;
    return digits;
}

std::string PeakHoldText(int32_t peak) {
    if (peak <= 0) {
        return "-inf";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%+5.1f", static_cast<double>(DecibelsOf(peak)));
    return text;
}

float MeterTarget(int32_t peak) {
    const float db = DecibelsOf(peak);
    return db >= -60.0f ? (db + 60.0f) * 0.016666666f : 0.0f;
}

std::string OutputDeviceName(const platform::DeviceTables& devices, int outputDevice) {
    const auto& outputs = devices.outputs;
    // ALSA lists its own "null" PCM, which accepts every rate, also where there is no card.
    const bool anyCard = std::any_of(outputs.begin(), outputs.end(), [](const platform::DeviceCapabilities& device) {
        return device.rateMask != 0 && device.deviceName != platform::kNullDeviceName;
    });
    if (!anyCard) {
        return platform::kNullDeviceName;
    }
    if (outputDevice < 0 || static_cast<std::size_t>(outputDevice) >= outputs.size()) {
        return "default";
    }
    return outputs[static_cast<std::size_t>(outputDevice)].deviceName;
}

MainWindowLogic::MainWindowLogic(HostSession& session, platform::Clock& clock)
    : session_(session),
      chain_(session.slots(), controls_),
      spectralStage_(session.slots(), controls_),
      engine_(session.slots(), chain_, controls_, source_, clock),
      transport_(engine_, source_, controls_, session.statusWord()) {
    const HostSettings& settings = session.settings();
    controls_.channelMode = settings.channelMode;
    controls_.difference = settings.difference != 0;
    controls_.bypassAll = settings.bypassAll != 0;
    controls_.spectralMono = settings.spectralMono != 0;
}

MainWindowLogic::~MainWindowLogic() {
    engine_.Stop();
}

int MainWindowLogic::ChooseChannelMode(int mode) {
    // A one-channel source has nothing but mono to offer.
    const bool oneChannel = source_.isOpen() && source_.channels() == 1;
    const int chosen = oneChannel ? kMonoMode : std::clamp(mode, 0, 3);
    controls_.channelMode = chosen;
    session_.settings().channelMode = static_cast<int16_t>(chosen);
    return chosen;
}

std::string MainWindowLogic::TakeCommandLineFile() {
    if (!session_.commandLineFilePending()) {
        return {};
    }
    session_.ConsumeCommandLineFile();
    return session_.commandLineFile();
}

int MainWindowLogic::StartFilePlayback(const std::string& path, platform::OutputDevice& device) {
    if (engine_.running()) {
        return 0;
    }
    const int opened = source_.Open(path, &session_.decoder());
    if (opened != kSourceOpened) {
        return opened;
    }
    HostSettings& settings = session_.settings();
    settings.sourcePath = path;
    settings.sampleRate = source_.sampleRate();
    settings.sourceType = static_cast<int16_t>(source_.type());
    settings.sourceChannels = static_cast<int16_t>(source_.channels());
    if (source_.channels() == 1) {
        ChooseChannelMode(kMonoMode);
    }
    if (!PrepareSpectralStage(spectralStage_, chain_, settings)) {
        source_.Close();
        return kEngineDeviceNotOpened;
    }
    const int started = engine_.Start(device, EngineConfigFrom(settings), nullptr);
    if (started != kEngineStarted) {
        source_.Close();
        return started;
    }
    transport_.Reset();
    return kEngineStarted;
}

TickResult MainWindowLogic::Tick() {
    TickResult result;
    result.playbackStopped = engine_.CompleteRequestedStop();
    result.load = LoadOfLastTicks();
    const int32_t left = chain_.peakLeft();
    const int32_t right = chain_.peakRight();
    holdLeft_ = std::max(holdLeft_, left);
    holdRight_ = std::max(holdRight_, right);
    result.holdLeft = PeakHoldText(holdLeft_);
    result.holdRight = PeakHoldText(holdRight_);
    if (startupTicks_ < kStartupTicks && ++startupTicks_ == kStartupTicks) {
        result.startCommandLineFile = session_.commandLineFilePending();
    }
    result.meterLeft = MeterTarget(left);
    result.meterRight = MeterTarget(right);
    return result;
}

LoadDigits MainWindowLogic::LoadOfLastTicks() {
    LoadAccounting& load = chain_.load();
    const int32_t blockPairs = std::max(1, static_cast<int32_t>(session_.settings().bufferPairs));
    // The handler's share of real time: its average run against one buffer's playing time.
    const double share = load.AverageMilliseconds() * source_.sampleRate() / (blockPairs * 1000.0);
    load.HalveWhenFull();
    return LoadDisplayDigits(share);
}

} // namespace lumisett::host
