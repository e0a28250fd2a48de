#include "library/ColorNames.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorNames, TextRoundTrips) {
    const std::pair<gui::TColor, const char*> cases[] = {
        {gui::clRed, "clRed"},
        {gui::clNavy, "clNavy"},
        {gui::clNone, "clNone"},
        {gui::clDefault, "clDefault"},
        {gui::clBtnFace, "clBtnFace"},
        {gui::clInfoBk, "clInfoBk"},
        {gui::clMedGray, "clMedGray"},
        {0x00123456, "$00123456"},
        {0x800000FF, "$800000FF"},
        {0x00000001, "$00000001"},
        {gui::cl3DDkShadow, "cl3DDkShadow"},
    };
    for (const auto& [color, text] : cases) {
        EXPECT_EQ(gui::color_to_string(color), text);
        EXPECT_EQ(gui::string_to_color(text), color) << text;
    }
}

TEST(ColorNames, AcceptedAndRejectedTexts) {
    const std::pair<const char*, std::optional<gui::TColor>> cases[] = {
        {"CLRED", gui::clRed},
        {"clwindowtext", gui::clWindowText},
        {"$FF", 0xFF},
        {"$ff00ff", 0xFF00FF},
        {"0x80000005", gui::clWindow},
        {"0XfF", 0xFF},
        {"255", 0xFF},
        {"-2147483633", 0x8000000F},
        {"0", 0},
        {"", std::nullopt},
        {"clRedd", std::nullopt},
        {"Red", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"$-1", std::nullopt},
        {"$1FFFFFFFF", std::nullopt},
        {"$12G4", std::nullopt},
        {" 12", std::nullopt},
        {"12 ", std::nullopt},
        {"+12", std::nullopt},
        {"2147483648", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(gui::string_to_color(text), expected) << '"' << text << '"';
}

} // namespace
