#include "plugins/analyzer/core/remembered_text.h"

#include "plugins/analyzer/core/position_list.h"

namespace lumisett::analyzer {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool BeginsWith(std::string_view entry, std::string_view text) {
    if (text.size() > entry.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Lower(entry[i]) != Lower(text[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::size_t> FindByPrefix(const std::vector<std::string>& entries, std::string_view text) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (BeginsWith(entries[i], text)) {
            return i;
        }
    }
    return std::nullopt;
}

ListChoice ChooseEntry(const std::vector<std::string>& entries, int index) {
    if (entries.empty()) {
        return {.index = 0, .selection = -1, .remembered = kNoneEntry};
    }
    const int none = static_cast<int>(entries.size()) - 1;
    if (index < 0 || index >= none) {
        return {.index = none, .selection = -1, .remembered = kNoneEntry};
    }
    return {.index = index, .selection = index, .remembered = entries[static_cast<std::size_t>(index)]};
}

ListChoice ChooseRemembered(const std::vector<std::string>& entries, std::string_view remembered) {
    const auto found = FindByPrefix(entries, remembered);
    ListChoice choice = ChooseEntry(entries, found ? static_cast<int>(*found) : -1);
    if (choice.selection != -1) {
        choice.remembered = std::string(remembered); // a found text stays as it was
    }
    return choice;
}

} // namespace lumisett::analyzer
