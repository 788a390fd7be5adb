#include "plugin_common/runtime/descriptor.h"
#include "plugin_common/runtime/status_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace lumisett::plugin {
namespace {

struct CentreCase {
    std::size_t length;
    std::size_t lead; // blanks before the text
};

TEST(StatusLine, CentresInFortyTwoAndPadsToFortyNine) {
    const CentreCase cases[] = {{0, 21}, {1, 20}, {3, 19}, {4, 19}, {40, 1},
                                {41, 0}, {42, 0}, {43, 0}, {49, 0}};
    for (const CentreCase& c : cases) {
        const std::string text(c.length, 'x');
        const std::string line = CenterStatusText(text);
        EXPECT_EQ(line.size(), 49u) << c.length;
        EXPECT_EQ(line.find('x'), c.length == 0 ? std::string::npos : c.lead) << c.length;
        EXPECT_EQ(line.substr(c.lead, c.length), text) << c.length;
    }
}

TEST(StatusLine, KeepsALongerTextWhole) {
    const std::string text(60, 'y');
    EXPECT_EQ(CenterStatusText(text), text);
}

TEST(StatusLine, ReadsTheDescriptorFieldOnlyUpToItsEnd) {
    char field[50];
    std::memset(field, 'z', sizeof field); // no terminator at all
    EXPECT_EQ(StatusTextOf(field, sizeof field).size(), 50u);
    std::strcpy(field, "ready");
    EXPECT_EQ(StatusTextOf(field, sizeof field), "ready");
    EXPECT_EQ(StatusTextOf(nullptr, 50), "");
}

TEST(Descriptor, IsClearedThenFilledWithTextsCutToTheirFields) {
    EffectDescriptor descriptor;
    std::memset(&descriptor, 0xff, sizeof descriptor);
    const std::string longName(30, 'n');
    const std::string longStatus(80, 's');

    FillDescriptor(descriptor, {.name = longName, .status = longStatus, .kind = KIND_SPECTRAL,
                                .spectral = 1, .latency = 512});

    EXPECT_EQ(std::memcmp(descriptor.magic, "QEXA", 4), 0);
    EXPECT_EQ(std::string(descriptor.name), std::string(19, 'n'));
    EXPECT_EQ(std::string(descriptor.status), std::string(49, 's'));
    EXPECT_EQ(descriptor.padding[0] | descriptor.padding[1], 0);
    EXPECT_EQ(descriptor.reserved, 0);
    EXPECT_EQ(descriptor.kind, KIND_SPECTRAL);
    EXPECT_EQ(descriptor.spectral, 1);
    EXPECT_EQ(descriptor.latency, 512);
    EXPECT_EQ(descriptor.process, nullptr);
}

} // namespace
} // namespace lumisett::plugin
