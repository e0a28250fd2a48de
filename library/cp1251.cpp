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

constexpr std::array<unsigned char, 256> make_upper_table() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int i = 0; i < 256; ++i)
        if (lower_table[i] != i)
            t[lower_table[i]] = static_cast<unsigned char>(i);
    return t;
}

constexpr auto upper_table = make_upper_table();

// Unicode code points of the bytes 0x80-0xFF (0 where the code page has no character).
constexpr char16_t upper_half[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char byte_for(char32_t cp) {
    if (cp < 0x80)
        return static_cast<char>(cp);
    for (int i = 0; i < 128; ++i)
        if (upper_half[i] == cp)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

char to_lower_1251(char c) {
    return static_cast<char>(lower_table[static_cast<unsigned char>(c)]);
}

std::string to_lower_1251(std::string text) {
    for (char& c : text)
        c = to_lower_1251(c);
    return text;
}

std::string to_upper_1251(std::string text) {
    for (char& c : text)
        c = static_cast<char>(upper_table[static_cast<unsigned char>(c)]);
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

std::string cp1251_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        char32_t cp = b < 0x80 ? b : upper_half[b - 0x80];
        append_utf8(out, cp ? cp : U'?');
    }
    return out;
}

std::string utf8_to_1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
        if (extra < 0 || i + extra >= utf8.size()) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            auto cont = static_cast<unsigned char>(utf8[i + k]);
            ok = ok && (cont >> 6) == 0x2;
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += byte_for(cp);
        i += extra + 1;
    }
    return out;
}

} // namespace lib
