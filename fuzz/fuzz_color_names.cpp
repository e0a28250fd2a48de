// The colour-name conversions on arbitrary text. Properties: every text accepted gives a colour
// whose text form is accepted again and gives the same colour; every text form is accepted,
// names in any letter case; a text with anything around the number or name is refused.
#include "fuzz/fuzz_check.h"
#include "library/ColorNames.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::string flip_case(std::string s) {
    for (char& c : s)
        c = std::isupper(static_cast<unsigned char>(c))
                ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void check_round_trip(gui::TColor color) {
    const std::string text = gui::color_to_string(color);
    FUZZ_CHECK(!text.empty());
    const auto back = gui::string_to_color(text);
    FUZZ_CHECK(back && *back == color);
    const auto flipped = gui::string_to_color(flip_case(text));
    FUZZ_CHECK(flipped && *flipped == color);
    // Nothing may follow or precede the text form.
    FUZZ_CHECK(!gui::string_to_color(text + " "));
    FUZZ_CHECK(!gui::string_to_color(" " + text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto color = gui::string_to_color(text))
        check_round_trip(*color);
    // The input's first four bytes as a colour value: every value has a text form that reads back.
    if (size >= 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, data, 4);
        check_round_trip(value);
    }
    return 0;
}
