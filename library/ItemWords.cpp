#include "library/ItemWords.h"

#include "library/ColorNames.h"

#include <vector>

namespace {

struct split_cache {
    std::string text;
    std::vector<std::string> words;
};

// One cache for the life of the program.
split_cache& word_cache() {
    static split_cache cache;
    return cache;
}

// Blanks and control characters go, as a trim of the framework's strings does.
std::string_view trimmed(std::string_view s) {
    auto is_space = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && is_space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_space(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> split(std::string_view rest) {
    std::vector<std::string> words;
    if (trimmed(rest).empty())
        return words;
    std::size_t i = 0; // 1-based position of the word's end marker in the trimmed rest
    std::size_t n = 0;
    do {
        rest = trimmed(rest);
        n = rest.size();
        if (!rest.empty() && rest.front() == '"') {
            const std::size_t close = rest.find('"', 1);
            i = close == std::string_view::npos ? n + 1 : close + 1;
            words.emplace_back(rest.substr(1, i - 2));
        } else {
            const std::size_t blank = rest.find(' ');
            i = blank == std::string_view::npos ? n + 1 : blank + 1;
            words.emplace_back(rest.substr(0, i - 1));
        }
        rest.remove_prefix(std::min(i, n));
    } while (i < n);
    return words;
}

} // namespace

std::string get_word(std::string_view text, int index) {
    split_cache& cache = word_cache();
    if (text != cache.text) {
        cache.text = text;
        cache.words = split(text);
    }
    if (index < 0 || static_cast<std::size_t>(index) >= cache.words.size())
        return {};
    return cache.words[static_cast<std::size_t>(index)];
}

gui::TColor item_color(std::string_view text) {
    const std::string word = get_word(text, 1);
    if (word.empty())
        return 0;
    return gui::string_to_color(word).value_or(gui::clNone);
}

std::string item_text(std::string_view name, gui::TColor color) {
    std::string text;
    if (name.find('"') == std::string_view::npos)
        text.append("\"").append(name).append("\"");
    else
        text.append(name);
    return text + " " + gui::color_to_string(color);
}
