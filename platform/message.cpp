#include "platform/message.h"

#include <atomic>
#include <cstdio>

namespace lumisett::platform {
namespace {
std::atomic<MessagePresenter> g_presenter{nullptr};
}

void WriteMessageToStderr(std::string_view caption, std::string_view text) {
    std::fprintf(stderr, "%.*s\n%.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

void ShowMessage(std::string_view caption, std::string_view text) {
    MessagePresenter presenter = g_presenter.load();
    if (presenter != nullptr) {
        presenter(caption, text);
    } else {
        WriteMessageToStderr(caption, text);
    }
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    return g_presenter.exchange(presenter);
}

} // namespace lumisett::platform
