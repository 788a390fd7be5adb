#include "host/startup/host_session.h"

namespace lumisett::host {

std::string CommandLineFile(int argc, const char* const* argv) {
    return argc > 1 && argv[1] != nullptr ? std::string(argv[1]) : std::string();
}

HostSession::HostSession(std::string programDirectory, std::string commandLineFile)
    : programDirectory_(std::move(programDirectory)),
      commandLineFile_(std::move(commandLineFile)),
      commandLineFilePending_(!commandLineFile_.empty()),
      slots_(registry_, programDirectory_, &statusWord_) {}

HostSession::~HostSession() {
    Shutdown();
}

void HostSession::Start() {
    decoder_.Bind(programDirectory_);
    registry_.ScanDescriptors(programDirectory_);
    settings_ = LoadSettings(programDirectory_);
}

void HostSession::Shutdown(const std::function<void()>& stopPlayback) {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (slots_.playbackRunning() && stopPlayback) {
        stopPlayback();
    }
    slots_.ExitAll();
    decoder_.Unload();
}

} // namespace lumisett::host
