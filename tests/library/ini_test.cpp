// The INI file object and option persistence, on real files.
#include "acquisition/core/Options.h"
#include "library/cp1251.h"
#include "library/ini_file.h"
#include "library/options_detailed.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using lib::AnsiString;

namespace {

struct TwoSections : lib::options_base {
    AnsiString text, hidden;
    bool flag = false;
    int count = 0;
    TwoSections() { set_defaults(); }
    void describe(lib::options_list& list) override {
        list.begin_section("main", "Main");
        lib::add_option(list, text, "default text", "text", "Text", "");
        lib::add_option(list, hidden, "not stored", "", "Caption only", "");
        list.begin_section("other", "Other");
        lib::add_option(list, flag, true, "flag", "Flag", "");
        lib::add_option(list, count, 5, "count", "Count", "");
    }
    int loads = 0, saves = 0;
    void after_load(lib::ini_file&) override { ++loads; }
    void after_save(lib::ini_file&) override { ++saves; }
};

// A new file gets the platform's line end.
#ifdef _WIN32
const std::string nl = "\r\n";
#else
const std::string nl = "\n";
#endif

#ifdef _WIN32
// Another process's handle on the file that shares reading only: the file can be read, but not
// replaced.
class file_in_use {
public:
    explicit file_in_use(const std::string& path, DWORD share = FILE_SHARE_READ)
        : h(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
    }
    ~file_in_use() { CloseHandle(h); }

private:
    HANDLE h;
};
#endif

} // namespace

TEST(IniFile, DefaultApplicationFile) {
    bv_test::scratch_dir dir;
    Options o;
    o.save(dir.file("Borevane.ini"));
    EXPECT_EQ(bv_test::read_file(dir.file("Borevane.ini")), "[main]" + nl + "remote_name=\"localhost\"" + nl);
}

TEST(IniFile, RoundTripKeepsEveryKindAndSpecialText) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("o.ini");
    TwoSections o;
    o.text = "  lead\\ing \n\xC4\xE0  ";
    o.flag = false;
    o.count = -3;
    o.hidden = "changed";
    o.save(path);
    o.save(path); // saving twice replaces values in place
    EXPECT_EQ(o.saves, 2);
    EXPECT_EQ(bv_test::read_file(path), "[main]" + nl + "text=\"  lead\\\\ing \\n\xC4\xE0  \"" + nl + "[other]" + nl +
                                            "flag=0" + nl + "count=-3" + nl);

    TwoSections back;
    back.load(path);
    EXPECT_EQ(back.loads, 1);
    EXPECT_EQ(back.text, o.text);
    EXPECT_FALSE(back.flag);
    EXPECT_EQ(back.count, -3);
    EXPECT_EQ(back.hidden, "not stored");
}

TEST(IniFile, ReadRules) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("r.ini");
    bv_test::write_file(path, "junk line\r\n[ Main ]\r\nKey =  plain value  \r\nq=\" spaced \"\r\n"
                              "dup=first\r\ndup=second\r\nempty=\r\n\r\n[main]\r\nlater=x\r\n[next]\r\nkey=other\r\n");
    lib::ini_file f(path);
    EXPECT_EQ(f.read("MAIN", "key", "d"), "plain value");
    EXPECT_EQ(f.read("main", "q", "d"), " spaced ");
    EXPECT_EQ(f.read("main", "dup", "d"), "first");
    EXPECT_EQ(f.read("main", "empty", "d"), "");
    EXPECT_EQ(f.read("main", "missing", "d"), "d");
    EXPECT_EQ(f.read("nosection", "key", "d"), "d");
    EXPECT_EQ(f.read("next", "key", "d"), "other");
    // The same lines as a checker sees them: numbered, in their section, keys as read() matches them.
    const auto lines = f.lines();
    ASSERT_TRUE(lines && lines->size() == 12);
    EXPECT_TRUE(!(*lines)[0].key && !(*lines)[0].header && (*lines)[0].section.empty());
    EXPECT_TRUE((*lines)[1].header && (*lines)[1].section == "Main");
    EXPECT_EQ((*lines)[2].number, 3u);
    EXPECT_EQ((*lines)[2].key, "Key");
    EXPECT_EQ((*lines)[2].text, "Key =  plain value  ");
    EXPECT_EQ((*lines)[11].section, "next");
    EXPECT_FALSE(lib::ini_file(dir.file("absent.ini")).lines());

    bv_test::write_file(path, "[s]\nlong=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(f.read("s", "long", "").size(), lib::ini_file::max_value_length);
}

TEST(IniFile, EmptySectionEndsAtTheNextHeaderAndPlainLineEndsStay) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("e.ini");
    bv_test::write_file(path, "[a]\n[b]\nk=1\n");
    lib::ini_file f(path);
    EXPECT_EQ(f.read("a", "k", "d"), "d");
    EXPECT_EQ(f.read("b", "k", "d"), "1");
    f.write("a", "k", "2"); // a file with plain line feeds keeps them, on every platform
    EXPECT_EQ(bv_test::read_file(path), "[a]\nk=2\n[b]\nk=1\n");
}

TEST(IniFile, WriteKeepsOtherContentAndLineEnds) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("w.ini");
    bv_test::write_file(path, "; comment\r\n[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
    lib::ini_file f(path);
    f.write("A", "X", "10");
    f.write("a", "z", "3");
    f.write("c", "k", "line\nbreak");
    EXPECT_EQ(bv_test::read_file(path), "; comment\r\n[a]\r\nX=10\r\nz=3\r\n\r\n[b]\r\ny=2\r\n[c]\r\nk=line break\r\n");
}

TEST(IniFile, BadFilesGiveDefaultsAndNeverCrash) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("bad.ini");
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    const std::string contents[] = {
        "",
        binary,
        "remote_name=\"no section\"\n",
        "[main]\nremote_name=\n",
        "[main]\nremote_name=\"\"\n",
        "[main]\nremote_name=\"a\\xb\"\n",
        "[main]\nremote_name=" + std::string(100000, 'y'),
    };
    const AnsiString expected[] = {"localhost", "localhost", "localhost",           "localhost",
                                   "localhost", "ab",        std::string(2047, 'y')};
    for (std::size_t i = 0; i < std::size(contents); ++i) {
        bv_test::write_file(path, contents[i]);
        Options o;
        o.remote_name = "changed";
        o.load(path);
        EXPECT_EQ(o.remote_name, expected[i]) << "case " << i;
    }

    Options o;
    o.load(dir.file("missing.ini"));
    EXPECT_EQ(o.remote_name, "localhost");
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.ini")));
    o.load(dir.path()); // a directory is unreadable as a file
    EXPECT_EQ(o.remote_name, "localhost");
}

TEST(IniFile, FailedWriteRaisesWithPathAndKeepsOldFile) {
    bv_test::scratch_dir dir;
    // A path below a regular file cannot be created, even by root.
    bv_test::write_file(dir.file("blocker"), "x");
    const auto impossible = dir.file("blocker") + "/Borevane.ini";
    Options o;
    try {
        o.save(impossible);
        FAIL() << "no error raised";
    } catch (const lib::ini_error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + impossible);
    }

    // A replacement that fails after its temporary file was made: the error names the file, the
    // old file stays whole and the temporary is removed.
    const auto path = dir.file("Borevane.ini");
    bv_test::write_file(path, "[main]\nremote_name=\"old\"\n");
    o.remote_name = "a much longer name than the old one";
    {
#ifdef _WIN32
        file_in_use busy(path);
#else
        bv_test::file_size_limit limit(40);
#endif
        try {
            o.save(path);
            FAIL() << "no error raised";
        } catch (const lib::ini_error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        }
    }
    EXPECT_EQ(bv_test::read_file(path), "[main]\nremote_name=\"old\"\n");
    EXPECT_EQ(dir.entries(), 2u); // blocker, Borevane.ini: no temporary left behind
}

TEST(IniFile, UnreadableFileIsNeverOverwritten) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("Borevane.ini");
    bv_test::write_file(path, "[other]\nkept=1\n");
#ifdef _WIN32
    file_in_use locked(path, 0);
    EXPECT_THROW(lib::ini_file(path).write("main", "k", "v"), lib::ini_error);
#else
    EXPECT_TRUE(bv_test::as_plain_user(dir.path(), [&] {
        const auto mine = dir.file("mine.ini");
        bv_test::write_file(mine, "[other]\nkept=1\n");
        if (::chmod(mine.c_str(), 0200) != 0)
            return false;
        try {
            lib::ini_file(mine).write("main", "k", "v");
            return false;
        } catch (const lib::ini_error& e) {
            ::chmod(mine.c_str(), 0600);
            return std::string(e.what()) == "Unable to write to " + mine &&
                   bv_test::read_file(mine) == "[other]\nkept=1\n";
        }
    }));
#endif
}

TEST(IniFile, NamesFoldCyrillicCaseAndValuesLoseTabsBeforeQuotesBeforeTheCut) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("c.ini");
    const std::string quoted(lib::ini_file::max_value_length, 'q');
    bv_test::write_file(path,
                        lib::utf8_to_1251("[Буровая Ёлка]\n\tГЛУБИНА\t=\t\"  12,5 \"\t\nlong=\"") + quoted + "\"\n");
    lib::ini_file f(path);
    EXPECT_EQ(f.read(lib::utf8_to_1251("буровая ёЛКА"), lib::utf8_to_1251("глубина"), "d"), "  12,5 ");
    // The quotes go first: a quoted value of exactly the maximum length comes back whole.
    EXPECT_EQ(f.read(lib::utf8_to_1251("БУРОВАЯ ЁЛКА"), "LONG", "d"), quoted);
    f.write(lib::utf8_to_1251("БУРОВАЯ ёлка"), lib::utf8_to_1251("Глубина"), "13");
    EXPECT_EQ(bv_test::read_file(path), lib::utf8_to_1251("[Буровая Ёлка]\nГлубина=13\nlong=\"") + quoted + "\"\n");
}

TEST(IniFile, OptionWithoutNameIsNeitherReadNorWritten) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("n.ini");
    bv_test::write_file(path, "[main]\n=by hand\n");
    TwoSections o;
    o.hidden = "in memory";
    o.load(path);
    EXPECT_EQ(o.hidden, "in memory");
    o.save(path);
    EXPECT_EQ(bv_test::read_file(path).find("in memory"), std::string::npos);
}

TEST(IniFile, BatchParsesOnceAndReplacesOnce) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("b.ini");
    bv_test::write_file(path, "[a]\nx=1\n");
    lib::ini_file f(path);
    {
        lib::ini_file::batch outer(f);
        f.write("a", "x", "2");
        {
            lib::ini_file::batch inner(f); // joins the outer batch
            f.write("b", "y", "3");
            inner.commit();
        }
        EXPECT_EQ(f.read("b", "y", "d"), "3"); // the batch's own writes are seen
        EXPECT_EQ(bv_test::read_file(path), "[a]\nx=1\n");
        bv_test::write_file(path, "[a]\nx=changed behind the batch\n");
        EXPECT_EQ(f.read("a", "x", "d"), "2"); // read once, when the batch began
        outer.commit();
    }
    EXPECT_EQ(bv_test::read_file(path), "[a]\nx=2\n[b]\ny=3\n");
    {
        lib::ini_file::batch dropped(f);
        f.write("a", "x", "never");
    }
    EXPECT_EQ(f.read("a", "x", "d"), "2");
    {
        lib::ini_file::batch unchanged(f);
        bv_test::write_file(path, "[a]\nx=by hand\n");
        unchanged.commit(); // nothing written: the file is not replaced
    }
    EXPECT_EQ(f.read("a", "x", "d"), "by hand");
}

#ifndef _WIN32
TEST(IniFile, FailedSaveLeavesTheWholeOldFile) {
    // Room for the first option's change but not for all of them: a save key by key would leave
    // a mixture; one replacement leaves the old file.
    bv_test::scratch_dir dir;
    const auto path = dir.file("o.ini");
    const std::string old_file = "[main]\ntext=\"t\"\n[other]\nflag=1\ncount=5\n";
    bv_test::write_file(path, old_file);
    TwoSections o;
    o.text = "u";
    o.count = 123456789;
    {
        bv_test::file_size_limit limit(old_file.size() + 2);
        EXPECT_THROW(o.save(path), lib::ini_error);
    }
    EXPECT_EQ(bv_test::read_file(path), old_file);
    EXPECT_EQ(dir.entries(), 1u);
}
#endif

// Item texts that look like numbers: the file holds the index (enumeration) or 0/1 (boolean),
// and reading must take that stored number, not an item text that happens to equal it.
TEST(IniFile, NumericItemTextsSurviveSaveAndLoad) {
    enum class Rate { One, Two, Four };
    struct NumericItems : lib::options_base {
        Rate rate = Rate::One;
        bool inverted = false, plain = false;
        NumericItems() { set_defaults(); }
        void describe(lib::options_list& list) override {
            list.begin_section("s", "S");
            lib::add_enum_option(list, rate, Rate::One, {"1", "2", "4"}, "rate", "Rate", "");
            lib::add_option(list, inverted, false, "inverted", "Inverted", "", "1|0");
            lib::add_option(list, plain, false, "plain", "Plain", "");
        }
    };
    bv_test::scratch_dir dir;
    const auto path = dir.file("n.ini");
    for (Rate r : {Rate::One, Rate::Two, Rate::Four})
        for (bool b : {false, true}) {
            NumericItems o;
            o.rate = r;
            o.inverted = b;
            o.plain = !b;
            o.save(path);
            NumericItems back;
            back.rate = r == Rate::Four ? Rate::One : Rate::Four; // differs from what was saved
            back.inverted = !b;
            back.load(path);
            EXPECT_EQ(back.rate, r) << bv_test::read_file(path);
            EXPECT_EQ(back.inverted, b) << bv_test::read_file(path);
            EXPECT_EQ(back.plain, !b);
        }
    // A hand-written item text that is no number is still understood.
    bv_test::write_file(path, "[s]\nrate=9\ninverted=on\n");
    struct Named : lib::options_base {
        Rate rate = Rate::One;
        bool on = false;
        Named() { set_defaults(); }
        void describe(lib::options_list& list) override {
            list.begin_section("s", "S");
            lib::add_enum_option(list, rate, Rate::One, {"7", "8", "9"}, "rate", "Rate", "");
            lib::add_option(list, on, false, "inverted", "On", "", "off|on");
        }
    } named;
    named.load(path);
    EXPECT_EQ(named.rate, Rate::Four); // 9 is no index of three items, but it is the third item's text
    EXPECT_TRUE(named.on);
}
