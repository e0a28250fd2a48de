#include "library/cp1251.h"

#include <array>

namespace lib {
namespace {

constexpr std::array<unsigned char, 256> make_lower_table() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) // А..Я
        t[c] = static_cast<unsigned char>(c + 32);
    // Capitals outside the А..Я block and their small letters.
    constexpr unsigned char pairs[][2] = {
        {0xA8, 0xB8}, // Ё ё
        {0x80, 0x90}, // Ђ ђ
        {0x81, 0x83}, // Ѓ ѓ
        {0x8A, 0x9A}, // Љ љ
        {0x8C, 0x9C}, // Њ њ
        {0x8D, 0x9D}, // Ќ ќ
        {0x8E, 0x9E}, // Ћ ћ
        {0x8F, 0x9F}, // Џ џ
        {0xA1, 0xA2}, // Ў ў
        {0xA3, 0xBC}, // Ј ј
        {0xA5, 0xB4}, // Ґ ґ
        {0xAA, 0xBA}, // Є є
        {0xAF, 0xBF}, // Ї ї
        {0xB2, 0xB3}, // І і
        {0xBD, 0xBE}, // Ѕ ѕ
    };
    for (const auto& p : pairs)
        t[p[0]] = p[1];
    return t;
}

constexpr auto lower_table = make_lower_table();

} // namespace

char to_lower_1251(char c) { return static_cast<char>(lower_table[static_cast<unsigned char>(c)]); }

std::string to_lower_1251(std::string text) {
    for (char& c : text)
        c = to_lower_1251(c);
    return text;
}

bool equal_ignoring_case_1251(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (to_lower_1251(a[i]) != to_lower_1251(b[i]))
            return false;
    return true;
}

} // namespace lib
