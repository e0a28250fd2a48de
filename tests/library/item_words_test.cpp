#include "library/ItemWords.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> out;
    for (int i = 0; i < 8; ++i)
        out.push_back(get_word(text, i));
    while (!out.empty() && out.back().empty())
        out.pop_back();
    return out;
}

using words = std::vector<std::string>;

TEST(ItemWordsTest, BlanksSeparateAndQuotesHoldBlanks) {
    EXPECT_EQ(words_of("Red clRed"), (words{"Red", "clRed"}));
    EXPECT_EQ(words_of("\"Dark red\" $00000080"), (words{"Dark red", "$00000080"}));
    EXPECT_EQ(words_of("  a   b  c  "), (words{"a", "b", "c"}));
    EXPECT_EQ(words_of("Red clRed "), (words{"Red", "clRed"}));
    EXPECT_EQ(words_of("\"x\"y z"), (words{"x", "y", "z"}));
    EXPECT_EQ(words_of("a\"b c"), (words{"a\"b", "c"}));                        // a quote inside a word is a character
    EXPECT_EQ(words_of("\"\" clRed"), (words{"", "clRed"}));                    // an empty quoted name
    EXPECT_EQ(words_of("\"Dark red $00000080"), (words{"Dark red $00000080"})); // no closing quote
    EXPECT_EQ(words_of("\""), words{});
    EXPECT_EQ(words_of(""), words{});
    EXPECT_EQ(words_of(" \t "), words{});
    EXPECT_EQ(get_word("Red clRed", -1), "");
    EXPECT_EQ(get_word("Red clRed", 2), "");
    // The one-text cache must not hand out the previous text's words.
    EXPECT_EQ(get_word("one two", 1), "two");
    EXPECT_EQ(get_word("three", 1), "");
    EXPECT_EQ(get_word("three", 0), "three");
    EXPECT_EQ(get_word("", 0), "");
    EXPECT_EQ(get_word("one two", 0), "one");
}

TEST(ItemWordsTest, ItemTextReadsBackAsItsNameAndColour) {
    EXPECT_EQ(item_text("Red", 0x0000FF), "\"Red\" clRed");
    EXPECT_EQ(item_text("Dark red", 0x123456), "\"Dark red\" $00123456");
    EXPECT_EQ(item_text("", gui::clNone), "\"\" clNone");
    // A name with a quote inside is written bare, so it is not cut at that quote.
    EXPECT_EQ(item_text("a\"b", 0x0000FF), "a\"b clRed");
    for (const std::string name : {"Red", "Dark red", "a\"b", ""}) {
        const std::string text = item_text(name, 0x008000);
        EXPECT_EQ(get_word(text, 0), name);
        EXPECT_EQ(item_color(text), 0x008000u);
    }
}

} // namespace
