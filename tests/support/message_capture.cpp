#include "tests/support/message_capture.h"

#include "platform/message.h"

namespace lumisett::test {
namespace {
std::vector<ShownMessage> g_messages;
platform::MessagePresenter g_previous = nullptr;

void Collect(std::string_view caption, std::string_view text) {
    g_messages.push_back({std::string(caption), std::string(text)});
}
} // namespace

MessageCapture::MessageCapture() {
    g_messages.clear();
    g_previous = platform::SetMessagePresenter(&Collect);
}

MessageCapture::~MessageCapture() {
    platform::SetMessagePresenter(g_previous);
}

const std::vector<ShownMessage>& MessageCapture::messages() const {
    return g_messages;
}

} // namespace lumisett::test
