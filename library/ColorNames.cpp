#include "library/ColorNames.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace gui {

namespace {

struct NamedColor {
    TColor value;
    std::string_view name;
};

constexpr std::array<NamedColor, 47> named_colors = {{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
}};

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The whole of `digits` must parse; the value must fit.
template <typename T> std::optional<T> parse_all(std::string_view digits, int base) {
    if (digits.empty())
        return std::nullopt;
    T value{};
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

} // namespace

std::string color_to_string(TColor color) {
    for (const NamedColor& named : named_colors)
        if (named.value == color)
            return std::string(named.name);
    char text[12];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
    return text;
}

std::optional<TColor> string_to_color(std::string_view text) {
    for (const NamedColor& named : named_colors)
        if (equal_ignoring_ascii_case(named.name, text))
            return named.value;
    // from_chars takes no '+' and no sign for unsigned values, so "$-1" and "+5" fail as they should.
    if (text.starts_with('$'))
        return parse_all<std::uint32_t>(text.substr(1), 16);
    if (text.starts_with("0x") || text.starts_with("0X"))
        return parse_all<std::uint32_t>(text.substr(2), 16);
    if (auto value = parse_all<std::int32_t>(text, 10))
        return static_cast<TColor>(*value);
    return std::nullopt;
}

} // namespace gui
