// The INI file object and option persistence, on real files.
#include "acquisition/Options.h"
#include "library/ini_file.h"
#include "library/options_detailed.h"
#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

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

    bv_test::write_file(path, "[s]\nlong=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(f.read("s", "long", "").size(), lib::ini_file::max_value_length);
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

    // A replacement that fails at the rename (the target is a directory) leaves other files
    // alone and no temporary behind.
    const auto path = dir.file("Borevane.ini");
    o.save(path);
    const auto before = bv_test::read_file(path);
    std::filesystem::create_directory(dir.file("sub.ini"));
    EXPECT_THROW(o.save(dir.file("sub.ini")), lib::ini_error);
    EXPECT_EQ(bv_test::read_file(path), before);
    EXPECT_EQ(dir.entries(), 3u); // blocker, Borevane.ini, sub.ini: no temporary left behind
}
