#pragma once
// What the main window does, without the window: the channel-mode rule, the switches, file
// playback start, and the 100 ms tick (stop completion, processor-load display, peak hold and
// meter targets, the start-up sequence that plays the command-line file). The Qt window draws
// what this computes and forwards its clicks; tests drive it directly.
//
// Thread: the window thread.

#include "host/chain/processing_chain.h"
#include "host/chain/spectral_stage.h"
#include "host/engine/audio_engine.h"
#include "host/engine/transport.h"
#include "host/source/audio_source.h"
#include "host/startup/host_session.h"
#include "platform/audio/device_catalog.h"
#include "platform/audio/output_device.h"

#include <array>
#include <memory>
#include <string>

namespace lumisett::host {

// The three-digit load display: each digit 0..9, or -1 for a blank place.
struct LoadDigits {
    std::array<int, 3> places{-1, -1, 0};
    friend bool operator==(const LoadDigits&, const LoadDigits&) = default;
};

// The digits for a load of `share` (1.0 = the handler takes all of the buffers' playing time).
LoadDigits LoadDisplayDigits(double share);

// "%+5.1f" of a level in dB, or "-inf" for a peak of 0.
std::string PeakHoldText(int32_t peak);

// The meter target for a peak: (dB + 60)/60 from −60 dB up, else 0.
float MeterTarget(int32_t peak);

// The output device playback opens: the settings' output device in the device list, or
// "default" when the number lies outside it. Without any sound card (nothing in the list but
// the null device accepts a rate) it is the null device, which plays at the real-time pace into nothing, so
// that the player, the meters and the plug-ins still work; a card that exists but cannot be
// opened gives the output-device message instead.
std::string OutputDeviceName(const platform::DeviceTables& devices, int outputDevice);

struct TickResult {
    bool playbackStopped = false;     // a requested stop was completed
    bool startCommandLineFile = false; // the start-up sequence asks to play the command-line file
    LoadDigits load;
    std::string holdLeft = "-inf", holdRight = "-inf";
    float meterLeft = 0, meterRight = 0;
};

class MainWindowLogic {
public:
    MainWindowLogic(HostSession& session, platform::Clock& clock);
    ~MainWindowLogic();

    // The radio buttons: the mode shown afterwards (a one-channel source keeps mono).
    int ChooseChannelMode(int mode);
    void SetDifference(bool on) { controls_.difference = on; session_.settings().difference = on; }
    void SetBypassAll(bool on) { controls_.bypassAll = on; session_.settings().bypassAll = on; }
    void ResetPeakHolds() { holdLeft_ = holdRight_ = 0; }

    // The path "file to output" plays: the command-line file the first time it is pending,
    // otherwise empty (the window then asks with its file dialog).
    std::string TakeCommandLineFile();
    // Opens `path` and starts the engine on `device`; returns kSourceOpened-style 1 or the
    // code of the host's message table (the window shows it).
    int StartFilePlayback(const std::string& path, platform::OutputDevice& device);
    bool playing() const { return engine_.running(); }

    TickResult Tick();

    Transport& transport() { return transport_; }
    AudioEngine& engine() { return engine_; }
    AudioSource& source() { return source_; }
    ChainControls& controls() { return controls_; }
    // The handler's time accounting the load display averages.
    LoadAccounting& load() { return chain_.load(); }
    OverlapAddSpectralStage& spectralStage() { return spectralStage_; }
    HostSession& session() { return session_; }

private:
    LoadDigits LoadOfLastTicks();

    HostSession& session_;
    ChainControls controls_;
    AudioSource source_;
    ProcessingChain chain_;
    OverlapAddSpectralStage spectralStage_;
    AudioEngine engine_;
    Transport transport_;
    int startupTicks_ = 0; // counts to 5 while the start-up sequence runs
    int32_t holdLeft_ = 0;
    int32_t holdRight_ = 0;
};

} // namespace lumisett::host
