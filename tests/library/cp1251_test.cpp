// CP1251 case mapping and the conversions to and from UTF-8.
#include "library/cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251, RussianAlphabetRoundTrips) {
    const std::string utf8 = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя_depth 0";
    const std::string cp = lib::utf8_to_1251(utf8);
    EXPECT_EQ(cp.size(), 66u + 8u);
    EXPECT_EQ(static_cast<unsigned char>(cp[0]), 0xC0);  // А
    EXPECT_EQ(static_cast<unsigned char>(cp[6]), 0xA8);  // Ё
    EXPECT_EQ(static_cast<unsigned char>(cp[65]), 0xFF); // я
    EXPECT_EQ(lib::cp1251_to_utf8(cp), utf8);
    EXPECT_EQ(lib::cp1251_to_utf8(lib::utf8_to_1251("Модуль глубины №5 «x» €")), "Модуль глубины №5 «x» €");
}

TEST(Cp1251, UncoveredCharactersBecomeQuestionMarks) {
    EXPECT_EQ(lib::utf8_to_1251("a€b😀c日\xD0"), "a\x88"
                                                "b?c??");
    EXPECT_EQ(lib::cp1251_to_utf8("a\x98z"), "a?z"); // 0x98 is unassigned
}

TEST(Cp1251, CaseMappings) {
    EXPECT_EQ(lib::to_lower_1251(lib::utf8_to_1251("DEPTH ВЕС_НА_КРЮКЕ ЁЖ Її Ґ")),
              lib::utf8_to_1251("depth вес_на_крюке ёж її ґ"));
    EXPECT_EQ(lib::to_upper_1251(lib::utf8_to_1251("скорость_механическая ёж")),
              lib::utf8_to_1251("СКОРОСТЬ_МЕХАНИЧЕСКАЯ ЁЖ"));
    for (int i = 0; i < 256; ++i) {
        const std::string c(1, static_cast<char>(i));
        EXPECT_EQ(lib::to_lower_1251(lib::to_upper_1251(c)), lib::to_lower_1251(c)) << i;
    }
    EXPECT_TRUE(lib::equal_ignoring_case_1251(lib::utf8_to_1251("Основные"), lib::utf8_to_1251("ОСНОВНЫЕ")));
    EXPECT_FALSE(lib::equal_ignoring_case_1251("main", "mains"));
}
