#pragma once
// Collects what the message layer would show, for as long as the object lives.

#include <string>
#include <vector>

namespace lumisett::test {

struct ShownMessage {
    std::string caption;
    std::string text;
};

class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const std::vector<ShownMessage>& messages() const;
};

} // namespace lumisett::test
