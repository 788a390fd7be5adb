#include "host/app/player_window_logic.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace lumisett::host {
namespace {

constexpr int kLongestShownSeconds = 6039; // 100:39, the widest the fields have room for

float FastSpeedOf(TransportButton button) {
    switch (button) {
    case TransportButton::Back16: return -16.0f;
    case TransportButton::Back4: return -4.0f;
    case TransportButton::Forward4: return 4.0f;
    default: return 16.0f;
    }
}

std::string Formatted(const char* format, auto... values) {
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

const char* TransportButtonWord(TransportButton button) {
    switch (button) {
    case TransportButton::Play: return "play";
    case TransportButton::Cue: return "cue";
    case TransportButton::Back16: return "<<<";
    case TransportButton::Back4: return "<<";
    case TransportButton::Forward4: return ">>";
    case TransportButton::Forward16: return ">>>";
    }
    return "";
}

std::string MinutesAndSeconds(double seconds) {
    const int whole = seconds > 0 ? static_cast<int>(std::min<double>(seconds, kLongestShownSeconds)) : 0;
    return Formatted("%.2d:%.2d", whole / 60, whole % 60);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string InformationLine(const AudioSource& source, const std::string& path) {
    const std::string name = FileNameOf(path);
    const double kilohertz = source.sampleRate() / 1000.0;
    const char* channels = source.channels() == 1 ? "mono" : "stereo";
    switch (source.type()) {
    case SourceType::Crescor:
        return Formatted(" %s   type: Crescor   freq: %.2fkHz   %s", name.c_str(), kilohertz, channels);
    case SourceType::LayerIII: {
        const StreamInfo* info = source.streamInfo();
        const int version = info != nullptr ? info->version : 0;
        const int bitrate = info != nullptr ? static_cast<int>(info->bitrate) : 0;
        return Formatted(" %s   MPEG%d   layer3   %dkbit/s   %.2fkHz   %s", name.c_str(), version, bitrate,
                         kilohertz, channels);
    }
    default:
        return Formatted(" %s   type: wave   freq: %.2fkHz   %s", name.c_str(), kilohertz, channels);
    }
}

PlayerWindowLogic::PlayerWindowLogic(Transport& transport, const AudioSource& source, std::string path)
    : transport_(transport), source_(source), informationLine_(InformationLine(source, path)) {
    transport_.Reset();
    const double bytesPerSecond = std::max(1, source.sampleRate() * source.channels() * 2);
    durationSeconds_ = static_cast<double>(source.dataLength()) / bytesPerSecond;
}

void PlayerWindowLogic::Press(TransportButton button) {
    pressed_ = button;
    switch (button) {
    case TransportButton::Play: transport_.Play(); break;
    case TransportButton::Cue: transport_.Cue(); break;
    default: transport_.Fast(FastSpeedOf(button)); break;
    }
}

std::string PlayerWindowLogic::SetMarker(int index) {
    transport_.SetMarker(index);
    return markerText(index);
}

bool PlayerWindowLogic::ToggleLoop() {
    transport_.ToggleLoop();
    return transport_.loop();
}

std::string PlayerWindowLogic::MoveSpeedSlider(int position) {
    transport_.SpeedSlider(position);
    return speedText();
}

std::string PlayerWindowLogic::speedText() const {
    return Formatted("%4.2f", static_cast<double>(transport_.sliderSpeed()));
}

std::string PlayerWindowLogic::markerText(int index) const {
    return MinutesAndSeconds(SecondsOf(transport_.marker(index)));
}

double PlayerWindowLogic::SecondsOf(int64_t bytePosition) const {
    const double bytesPerSecond = std::max(1, source_.sampleRate() * source_.channels() * 2);
    return static_cast<double>(bytePosition - source_.dataOffset()) / bytesPerSecond;
}

PlayerTickResult PlayerWindowLogic::Tick() {
    PlayerTickResult result;
    result.endHeard = transport_.Tick();
    result.paused = transport_.paused();
    if (result.endHeard) {
        // The rewind reaches the source with its next block, which a pause may hold back: the
        // fields show the start at once, as the listener will hear it.
        rewoundFrom_ = source_.position();
    } else if (rewoundFrom_ >= 0 && source_.position() != rewoundFrom_) {
        rewoundFrom_ = -1;
    }
    const bool atStart = rewoundFrom_ >= 0;
    result.elapsed = atStart ? MinutesAndSeconds(0) : MinutesAndSeconds(transport_.ElapsedSeconds());
    result.sliderPosition = atStart ? 0 : transport_.SliderPosition();
    return result;
}

} // namespace lumisett::host
