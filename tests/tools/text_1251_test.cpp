#include "tools/text_1251.h"

#include "library/cp1251.h"

#include <gtest/gtest.h>

using namespace tools;

TEST(Text1251, RussianAlphabetRoundTrips) {
    const std::string utf8 = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя_depth 0";
    const std::string cp = cp1251_from_utf8(utf8);
    EXPECT_EQ(cp.size(), 66u + 8u);
    EXPECT_EQ(static_cast<unsigned char>(cp[0]), 0xC0);  // А
    EXPECT_EQ(static_cast<unsigned char>(cp[6]), 0xA8);  // Ё
    EXPECT_EQ(static_cast<unsigned char>(cp[65]), 0xFF); // я
    EXPECT_EQ(utf8_from_1251(cp), utf8);
}

TEST(Text1251, UncoveredCharactersBecomeQuestionMarks) {
    EXPECT_EQ(cp1251_from_utf8("a€b😀c\xD0"), "a?b?c?");
    EXPECT_EQ(utf8_from_1251("a\x88\x98z"), "a??z");
}

TEST(Text1251, UpperCaseIsTheInverseOfTheLibraryLowerCase) {
    EXPECT_EQ(to_upper_1251(cp1251_from_utf8("скорость_механическая ёж")),
              cp1251_from_utf8("СКОРОСТЬ_МЕХАНИЧЕСКАЯ ЁЖ"));
    for (int i = 0; i < 256; ++i) {
        const std::string c(1, static_cast<char>(i));
        EXPECT_EQ(lib::to_lower_1251(to_upper_1251(c)), lib::to_lower_1251(c)) << i;
    }
}
