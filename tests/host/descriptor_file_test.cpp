#include "host/plugins/descriptor_file.h"
#include "host/plugins/plugin_registry.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumisett::host {
namespace {

struct DescriptorCase {
    const char* label;
    const char* text;
    const char* expectedName; // null: not a descriptor
};

class DescriptorText : public testing::TestWithParam<DescriptorCase> {};

TEST_P(DescriptorText, YieldsTheDisplayNameOrNothing) {
    const DescriptorCase& c = GetParam();
    auto name = ParseDescriptorText(c.text);
    if (c.expectedName == nullptr) {
        EXPECT_FALSE(name.has_value()) << *name;
    } else {
        ASSERT_TRUE(name.has_value());
        EXPECT_EQ(*name, c.expectedName);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DescriptorText,
    testing::Values(
        DescriptorCase{"plain", "KORVENTIX\nDI-Revivad\n", "DI-Revivad"},
        DescriptorCase{"more words after the magic", "KORVENTIX effect file v2\nZi-Di\n", "Zi-Di"},
        DescriptorCase{"magic with one more character", "KORVENTIXX\nName\n", nullptr},
        DescriptorCase{"magic in lower case", "korventix\nName\n", nullptr},
        DescriptorCase{"blank inside the name", "KORVENTIX\nDe scratcher\n", "De"},
        DescriptorCase{"name after blank lines", "KORVENTIX\n\n\n  Analyzer  \nrest", "Analyzer"},
        DescriptorCase{"carriage returns", "KORVENTIX\r\nVe-Vidare\r\n", "Ve-Vidare"},
        DescriptorCase{"no line after the magic", "KORVENTIX Name", nullptr},
        DescriptorCase{"no name", "KORVENTIX\n   \n", nullptr},
        DescriptorCase{"empty file", "", nullptr},
        DescriptorCase{"name cut at 20 characters", "KORVENTIX\nABCDEFGHIJKLMNOPQRSTUVWXYZ\n",
                       "ABCDEFGHIJKLMNOPQRST"}),
    [](const testing::TestParamInfo<DescriptorCase>& param) {
        std::string label = param.param.label;
        for (char& c : label) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return label;
    });

TEST(DescriptorBaseName, IsThePartBeforeTheFirstDotWithinTenCharacters) {
    EXPECT_EQ(BaseNameOfDescriptor("zeroline.eff"), "zeroline");
    EXPECT_EQ(BaseNameOfDescriptor("two.dots.eff"), "two");
    EXPECT_EQ(BaseNameOfDescriptor("declicker.eff"), "declicker");
    // No dot within ten characters: the first ten, one more than a base name holds.
    EXPECT_EQ(BaseNameOfDescriptor("abcdefghijklm.eff"), std::nullopt);
    EXPECT_EQ(BaseNameOfDescriptor(".eff"), std::nullopt);
}

TEST(RegistryScan, RegistersValidDescriptorsInFileNameOrder) {
    test::TempDir dir;
    dir.Write("b_second.eff", "KORVENTIX\nSecond\n");
    dir.Write("a_first.eff", "KORVENTIX\nFirst\n");
    dir.Write("bad.eff", "KORVENTIXX\nBad\n");
    dir.Write("two.dots.eff", "KORVENTIX\nDotted\n");
    dir.Write("notes.txt", "KORVENTIX\nNotAPlugin\n");
    std::filesystem::create_directory(dir.File("folder.eff"));

    PluginRegistry registry;
    registry.ScanDescriptors(dir.path());
    ASSERT_EQ(registry.count(), 3);
    const auto& e = registry.entries();
    EXPECT_EQ(e[0].baseName, "a_first");
    EXPECT_EQ(e[0].displayName, "First");
    EXPECT_EQ(e[1].baseName, "b_second");
    EXPECT_EQ(e[2].baseName, "two");
    EXPECT_EQ(e[2].displayName, "Dotted");
    EXPECT_EQ(registry.noneIndex(), 3);
}

TEST(RegistryScan, EmptyFolderGivesAnEmptyRegistry) {
    test::TempDir dir;
    PluginRegistry registry;
    registry.ScanDescriptors(dir.path());
    EXPECT_EQ(registry.count(), 0);
    registry.ScanDescriptors(dir.File("missing/"));
    EXPECT_EQ(registry.count(), 0);
}

TEST(RegistryScan, StopsAtTwentyEntries) {
    test::TempDir dir;
    for (int i = 0; i < 25; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.eff", i);
        dir.Write(name, "KORVENTIX\nPlugin" + std::to_string(i) + "\n");
    }
    PluginRegistry registry;
    registry.ScanDescriptors(dir.path());
    ASSERT_EQ(registry.count(), 20);
    EXPECT_EQ(registry.entries().back().baseName, "p19");
}

} // namespace
} // namespace lumisett::host
