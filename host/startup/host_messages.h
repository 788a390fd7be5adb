#pragma once
// The host's failure codes and the messages users see for them.

#include <optional>
#include <string_view>

namespace lumisett::host {

struct HostMessage {
    std::string_view caption;
    std::string_view text;
};

// The message for a failure code (−2 .. −14); nothing for codes that show no message.
std::optional<HostMessage> HostMessageFor(int code);

// Shows the message for `code` through the message layer; other codes show nothing.
void ShowHostMessage(int code);

} // namespace lumisett::host
