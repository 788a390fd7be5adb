#include "host/plugins/descriptor_file.h"

#include <cctype>

namespace lumisett::host {
namespace {

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads the next whitespace-delimited token at `pos`, as a formatted read with a field width
// does: leading white space is skipped and at most `maxLength` characters are taken.
std::string_view NextToken(std::string_view text, std::size_t& pos, std::size_t maxLength) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    std::size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && pos - start < maxLength) {
        ++pos;
    }
    return text.substr(start, pos - start);
}

} // namespace

std::optional<std::string> ParseDescriptorText(std::string_view text) {
    std::size_t pos = 0;
    // One character more than the magic is read, so that a longer token never matches.
    if (NextToken(text, pos, kDescriptorMagic.size() + 1) != kDescriptorMagic) {
        return std::nullopt;
    }
    std::size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    pos = lineEnd + 1;
    std::string_view name = NextToken(text, pos, kDisplayNameMaxLength);
    if (name.empty()) {
        return std::nullopt;
    }
    return std::string(name);
}

std::optional<std::string> BaseNameOfDescriptor(std::string_view fileName) {
    std::string_view head = fileName.substr(0, 10);
    std::size_t dot = head.find('.');
    std::string_view base = dot == std::string_view::npos ? head : head.substr(0, dot);
    if (base.empty() || base.size() > kBaseNameMaxLength) {
        return std::nullopt;
    }
    return std::string(base);
}

} // namespace lumisett::host
