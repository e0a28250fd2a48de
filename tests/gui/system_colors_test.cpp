#include "gui/SystemColors.h"

#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

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
