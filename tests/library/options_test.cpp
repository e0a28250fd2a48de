// The option model: declaration, defaults, walking, escaping and the other descriptor kinds.
#include "acquisition/core/Options.h"
#include "library/cp1251.h"
#include "library/options_detailed.h"

#include <gtest/gtest.h>

using lib::AnsiString;

namespace {

enum class Mode { Slow, Fast, Off };

// An option set with one option of every kind, some before any section.
struct SampleOptions : lib::options_base {
    AnsiString host, note;
    bool flag = false, choice = false;
    int count = 0;
    Mode mode = Mode::Off;

    SampleOptions() { set_defaults(); }
    void describe(lib::options_list& list) override {
        lib::add_option(list, host, "h", "host", "Host", "");
        lib::add_option(list, flag, true, "flag", "Flag", "");
        list.begin_section("extra", "Extra");
        lib::add_option(list, choice, false, "choice", "Choice", "", "no|yes");
        lib::add_option(list, count, 42, "count", "Count", "pcs");
        lib::add_enum_option(list, mode, Mode::Fast, {"slow", "fast", "off"}, "mode", "Mode", "");
        lib::add_option(list, note, "", "", "Shown only", "");
    }
};

lib::options_list described(lib::options_base& o) {
    lib::options_list list;
    o.describe(list);
    return list;
}

} // namespace

TEST(OptionModel, NewSetHoldsDefaultsAndSectionsAreStamped) {
    SampleOptions o;
    EXPECT_EQ(o.host, "h");
    EXPECT_TRUE(o.flag);
    EXPECT_EQ(o.count, 42);
    EXPECT_EQ(o.mode, Mode::Fast);

    auto list = described(o);
    ASSERT_EQ(list.items.size(), 6u);
    EXPECT_EQ(list.items[0]->section, "default");
    EXPECT_EQ(list.items[1]->section_caption, lib::utf8_to_1251("[Без названия]"));
    EXPECT_EQ(list.items[3]->full_name(), "extra.count");
    EXPECT_EQ(list.items[3]->units, "pcs");

    std::vector<AnsiString> seen;
    list.for_each([&](lib::MetaClassPointer p) { seen.push_back(p->name); });
    EXPECT_EQ(seen, (std::vector<AnsiString>{"host", "flag", "choice", "count", "mode", ""}));
    list.for_each({}); // an empty callable is allowed

    list.clear(); // drops the items, keeps the current section for what is added next
    EXPECT_TRUE(list.items.empty());
    int again = 0;
    lib::add_option(list, again, 1, "again", "Again", "");
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0]->section, "extra");
    EXPECT_EQ(list.items[0]->section_caption, "Extra");
}

TEST(OptionModel, ApplicationOptions) {
    Options o;
    EXPECT_EQ(o.remote_name, "localhost");
    auto list = described(o);
    ASSERT_EQ(list.items.size(), 1u);
    const auto& d = *list.items[0];
    EXPECT_EQ(d.full_name(), "main.remote_name");
    EXPECT_EQ(d.section_caption, lib::utf8_to_1251("Основные"));
    EXPECT_EQ(d.caption, lib::utf8_to_1251("Имя компьютера с системой 'Тирмаль'"));
    EXPECT_EQ(d.units, "");
    EXPECT_EQ(d.kind(), lib::kind_text);
}

TEST(OptionModel, EscapingRoundTrip) {
    struct Case {
        AnsiString text, escaped, back;
    } cases[] = {
        {"a\\b\nc\rd\te",
         "a\\\\b\\nc"
         "de",
         "a\\b\ncde"},
        {"\xC4\xE0 \xED\xE5\xF2", "\xC4\xE0 \xED\xE5\xF2", "\xC4\xE0 \xED\xE5\xF2"}, // Cyrillic bytes pass
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lib::escape_text(c.text), c.escaped);
        EXPECT_EQ(lib::unescape_text(c.escaped), c.back);
    }
    EXPECT_EQ(lib::unescape_text("a\\xb"), "ab");  // unknown pair dropped
    EXPECT_EQ(lib::unescape_text("end\\"), "end"); // lone trailing backslash dropped
    EXPECT_EQ(lib::unescape_text("\\\\n"), "\\n");
    EXPECT_EQ(lib::unescape_text("last\\n"), "last\n"); // a pair that ends the text still counts
}

TEST(OptionModel, BoolIntAndEnumTexts) {
    SampleOptions o;
    auto list = described(o);
    auto& flag = *list.items[1];
    auto& choice = static_cast<lib::options_detailed::meta_class<bool>&>(*list.items[2]);
    auto& count = *list.items[3];
    auto& mode = *list.items[4];

    EXPECT_EQ(flag.get_text(), "1");
    flag.set_text("0");
    EXPECT_FALSE(o.flag);
    flag.set_text(" 7 ");
    EXPECT_TRUE(o.flag);
    flag.set_text("yes"); // not an integer
    EXPECT_FALSE(o.flag);

    EXPECT_TRUE(choice.has_items());
    EXPECT_EQ(choice.get_text(), "no");
    choice.set_text("yes");
    EXPECT_TRUE(o.choice);
    EXPECT_EQ(choice.to_ini(), "1");
    choice.from_ini("0");
    EXPECT_FALSE(o.choice);

    count.set_text("-12");
    EXPECT_EQ(o.count, -12);
    count.set_text("12abc");
    EXPECT_EQ(o.count, -12);
    EXPECT_NE(count.kind(), lib::kind_enum);
    EXPECT_NE(count.kind(), lib::kind_bool);
    EXPECT_NE(count.kind(), lib::kind_text);

    EXPECT_EQ(mode.get_text(), "fast");
    mode.set_text("off");
    EXPECT_EQ(o.mode, Mode::Off);
    EXPECT_EQ(mode.to_ini(), "2");
    mode.set_text("7"); // out of range: ignored
    EXPECT_EQ(o.mode, Mode::Off);
    mode.from_ini("0");
    EXPECT_EQ(o.mode, Mode::Slow);
    lib::StringList texts{"old"};
    static_cast<lib::options_detailed::meta_class_enum_base&>(mode).fill_items(texts);
    EXPECT_EQ(texts, (lib::StringList{"slow", "fast", "off"}));

    o.set_defaults();
    EXPECT_EQ(o.count, 42);
    EXPECT_EQ(o.mode, Mode::Fast);
}

TEST(OptionModel, SplittingItems) {
    struct Case {
        AnsiString items;
        lib::StringList parts;
    } cases[] = {
        {"a|b", {"a", "b"}},
        {"a|", {"a", ""}},
        {"|a||b", {"", "a", "", "b"}},
        {"single", {"single"}},
    };
    for (const auto& c : cases) {
        lib::StringList out{"kept"};
        lib::options_detailed::split_items(c.items, out);
        lib::StringList expected{"kept"};
        expected.insert(expected.end(), c.parts.begin(), c.parts.end());
        EXPECT_EQ(out, expected) << c.items;
    }
}

TEST(OptionModel, DescriptorsOutliveTheirList) {
    Options o;
    lib::MetaClassPointer kept;
    {
        auto list = described(o);
        kept = list.items[0];
    }
    kept->set_text("station-2");
    EXPECT_EQ(o.remote_name, "station-2");
    EXPECT_EQ(kept.use_count(), 1);
}
