// The colour list's item texts on arbitrary bytes. Properties: every word is a piece of the text;
// the same text always splits the same way, whatever was split in between; an item rewritten from
// its name and a colour reads back as that name and that colour.
#include "fuzz/fuzz_check.h"
#include "library/ItemWords.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    // A text of n bytes has at most n / 2 + 1 words; everything past the last one is empty.
    for (std::size_t i = 0; i < size / 2 + 3; ++i) {
        words.push_back(get_word(text, static_cast<int>(i)));
        FUZZ_CHECK(words.back().empty() || text.find(words.back()) != std::string::npos);
        FUZZ_CHECK(words.back().find('"') == std::string::npos || words.back().find(' ') == std::string::npos);
    }
    FUZZ_CHECK(get_word(text, -1).empty());
    FUZZ_CHECK(words.back().empty());

    gui::TColor color = 0;
    if (size >= 4)
        std::memcpy(&color, data, 4);
    const std::string rewritten = item_text(words[0], color);
    FUZZ_CHECK(get_word(rewritten, 0) == words[0]);
    FUZZ_CHECK(item_color(rewritten) == color);
    FUZZ_CHECK(get_word(rewritten, 2).empty());
    // Back to the first text: the cache gives its words again, not the rewritten item's.
    for (std::size_t i = 0; i < words.size(); ++i)
        FUZZ_CHECK(get_word(text, static_cast<int>(i)) == words[i]);
    return 0;
}
