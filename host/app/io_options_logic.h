#pragma once
// The I/O Options window's rules, without the window: the device lists, the input frequencies
// both chosen devices share, the buffer number and size spins with their limits, the delay
// they give, and the transform that must still fit a buffer. Every change goes straight into
// the settings record.
//
// Thread: the window thread, while nothing plays.

#include "host/settings/host_settings.h"
#include "platform/audio/device_catalog.h"

#include <functional>
#include <string>
#include <vector>

namespace lumisett::host {

class IoOptionsLogic {
public:
    // `transformChanged` runs after every change of M or S (the spectral stage sets its
    // transform up again, the FFT Properties window shows the new size).
    IoOptionsLogic(HostSettings& settings, platform::DeviceTables devices,
                   std::function<void()> transformChanged = {});

    const platform::DeviceTables& devices() const { return devices_; }
    void Refresh(platform::DeviceTables devices) { devices_ = std::move(devices); }

    void ChooseInput(int device);
    void ChooseOutput(int device);

    // The rates both selected devices accept, as the frequency list shows them; choosing the
    // devices keeps the sample rate when it is among them, else takes the first (the list may
    // be empty: then the rate stays).
    std::vector<int32_t> CommonRates() const;
    void ChooseRate(int32_t rate);

    // The spins: M by one within 4..16, S doubling and halving within 2048..8192.
    void BufferCountUp();
    void BufferCountDown();
    void BufferSizeUp();
    void BufferSizeDown();
    // "%5.3f" of M·S/fs: the queue's length in seconds.
    std::string DelayText() const;

    void SetNotifyByWindow(bool byWindow) { settings_.notifyByWindow = byWindow ? 1 : 0; }
    void SetIgnoreOverflow(bool ignore) { settings_.overflowWatch = ignore ? 0 : 1; }

private:
    void KeepRateCommon();
    void BuffersChanged();

    HostSettings& settings_;
    platform::DeviceTables devices_;
    std::function<void()> transformChanged_;
};

} // namespace lumisett::host
