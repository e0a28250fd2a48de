#include "platform/gui/ColorNames.h"
#include "platform/gui/SystemColors.h"

#include <QApplication>
#include <QPalette>
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

TEST(SystemColors, PinnedTableAndPalette) {
    gui::SystemColorTable table{};
    for (int i = 0; i < gui::system_color_count; ++i)
        table[i] = static_cast<gui::TColor>(0x010101 * (i + 1));
    gui::pin_system_colors(table);
    EXPECT_EQ(gui::resolve_color(gui::clBtnFace), 0x101010u);
    EXPECT_EQ(gui::resolve_color(gui::clScrollBar), 0x010101u);
    EXPECT_EQ(gui::resolve_color(0x80000099), gui::clBlack); // no such system colour
    EXPECT_EQ(gui::resolve_color(0x00ABCDEF), 0x00ABCDEFu);
    EXPECT_EQ(gui::to_qcolor(gui::clWindow), QColor(6, 6, 6));
    EXPECT_EQ(gui::to_qcolor(0x0000FF), QColor(255, 0, 0)); // red in the lowest byte
    EXPECT_EQ(gui::to_qcolor(gui::clNone).alpha(), 0);

    // Unpinned, the palette decides.
    gui::unpin_system_colors();
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(0x11, 0x22, 0x33));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(0xFE, 0xFD, 0xFC));
    QApplication::setPalette(palette);
    EXPECT_EQ(gui::resolve_color(gui::clBtnFace), 0x332211u);
    EXPECT_EQ(gui::resolve_color(gui::clWindow), 0xFCFDFEu);
    QApplication::setPalette(saved);
}

} // namespace
