#include "gui/SystemColors.h"

#include <QGuiApplication>
#include <QPalette>
#include <optional>

namespace gui {

namespace {

std::optional<SystemColorTable>& pinned() {
    static std::optional<SystemColorTable> table;
    return table;
}

struct PaletteSource {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Which palette entry stands in for each system colour index.
constexpr std::array<PaletteSource, system_color_count> palette_sources = {{
    {QPalette::Active, QPalette::Button},          // scroll bar
    {QPalette::Active, QPalette::Window},          // desktop background
    {QPalette::Active, QPalette::Highlight},       // active caption
    {QPalette::Inactive, QPalette::Mid},           // inactive caption
    {QPalette::Active, QPalette::Window},          // menu
    {QPalette::Active, QPalette::Base},            // window
    {QPalette::Active, QPalette::Shadow},          // window frame
    {QPalette::Active, QPalette::WindowText},      // menu text
    {QPalette::Active, QPalette::Text},            // window text
    {QPalette::Active, QPalette::HighlightedText}, // caption text
    {QPalette::Active, QPalette::Button},          // active border
    {QPalette::Inactive, QPalette::Button},        // inactive border
    {QPalette::Active, QPalette::Mid},             // application workspace
    {QPalette::Active, QPalette::Highlight},       // highlight
    {QPalette::Active, QPalette::HighlightedText}, // highlight text
    {QPalette::Active, QPalette::Button},          // button face
    {QPalette::Active, QPalette::Dark},            // button shadow
    {QPalette::Disabled, QPalette::Text},          // grey text
    {QPalette::Active, QPalette::ButtonText},      // button text
    {QPalette::Inactive, QPalette::WindowText},    // inactive caption text
    {QPalette::Active, QPalette::Light},           // button highlight
    {QPalette::Active, QPalette::Shadow},          // 3D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 3D light
    {QPalette::Active, QPalette::ToolTipText},     // info text
    {QPalette::Active, QPalette::ToolTipBase},     // info background
}};

} // namespace

const SystemColorTable& standard_system_colors() {
    static const SystemColorTable table = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
        0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
        0x000000, 0x544E43, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
    };
    return table;
}

void pin_system_colors(const SystemColorTable& table) {
    pinned() = table;
}

void unpin_system_colors() {
    pinned().reset();
}

TColor system_color(int index) {
    if (index < 0 || index >= system_color_count)
        return clBlack;
    if (pinned())
        return (*pinned())[index];
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return standard_system_colors()[index];
    const PaletteSource source = palette_sources[index];
    return from_qcolor(QGuiApplication::palette().color(source.group, source.role));
}

TColor resolve_color(TColor color) {
    return is_system_color(color) ? system_color(system_color_index(color)) : color;
}

QColor to_qcolor(TColor color) {
    if (color == clNone)
        return QColor(Qt::transparent);
    const TColor c = resolve_color(color);
    return QColor(red_of(c), green_of(c), blue_of(c));
}

TColor from_qcolor(const QColor& color) {
    return rgb_color(color.red(), color.green(), color.blue());
}

} // namespace gui
