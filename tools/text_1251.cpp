#include "tools/text_1251.h"

#include "library/cp1251.h"

#include <algorithm>
#include <array>

namespace tools {
namespace {

constexpr unsigned cyr_first = 0x410; // А; CP1251 0xC0..0xFF hold U+0410..U+044F in order
constexpr unsigned yo_capital = 0x401, yo_small = 0x451;

void append_utf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The inverse of the library's lower-case table, so both directions share one definition.
std::array<char, 256> make_upper_table() {
    std::array<char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<char>(i);
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        const char lower = lib::to_lower_1251(c);
        if (lower != c)
            t[static_cast<unsigned char>(lower)] = c;
    }
    return t;
}

} // namespace

std::string utf8_from_1251(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            append_utf8(out, b);
        else if (b >= 0xC0)
            append_utf8(out, cyr_first + (b - 0xC0));
        else if (b == 0xA8)
            append_utf8(out, yo_capital);
        else if (b == 0xB8)
            append_utf8(out, yo_small);
        else
            out += '?';
    }
    return out;
}

std::string cp1251_from_utf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        // Length of the sequence from its lead byte; stray continuation bytes count as one.
        std::size_t len = (b >= 0xF0) ? 4 : (b >= 0xE0) ? 3 : (b >= 0xC0) ? 2 : 1;
        unsigned code = 0;
        if (len == 2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80)
            code = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
        if (code >= cyr_first && code < cyr_first + 64)
            out += static_cast<char>(0xC0 + (code - cyr_first));
        else if (code == yo_capital)
            out += static_cast<char>(0xA8);
        else if (code == yo_small)
            out += static_cast<char>(0xB8);
        else
            out += '?';
        i += std::min(len, text.size() - i);
    }
    return out;
}

std::string to_upper_1251(std::string text) {
    static const auto table = make_upper_table();
    for (char& c : text)
        c = table[static_cast<unsigned char>(c)];
    return text;
}

} // namespace tools
