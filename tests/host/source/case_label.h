#pragma once
// Names parameterised test cases after their `label` field, as GoogleTest wants identifiers.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace lumisett::test {

struct CaseLabel {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const {
        std::string name = param.param.label;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    }
};

} // namespace lumisett::test
