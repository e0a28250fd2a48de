// The WITS feed's Qt-free units: frames, the settings file, and what each second of reading becomes.
#include "acquisition/core/output_file.h"
#include "tests/support/scratch_dir.h"
#include "tools/wits/wits_feed.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <locale>

namespace {

using tools::wits_number;

struct comma_decimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(WitsFrame, ItemsInFileOrderWithDateTimeAndCrLf) {
    const tools::wits_clock at{2026, 3, 9, 7, 8, 5};
    const std::string frame = tools::wits_frame({1523.4, 1520.1, 85.0, 12.5, 118.25, 11.756}, at, at);
    EXPECT_EQ(frame, "&&\r\n0105260309\r\n0106070805\r\n01101523.40\r\n01081520.10\r\n011485.00\r\n011212.50\r\n"
                     "0121118.25\r\n011311.76\r\n!!\r\n");
    // Items that are off, NaN or infinite are left out; without a clock there is no date or time.
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(tools::wits_frame({std::nullopt, nan, inf, -inf, 2.0, std::nullopt}, std::nullopt, std::nullopt),
              "&&\r\n01212.00\r\n!!\r\n");
    EXPECT_EQ(tools::wits_frame({}, at, std::nullopt), "&&\r\n0105260309\r\n!!\r\n");
}

TEST(WitsFrame, NumbersHaveTwoDecimalsAPointAndNoExponentInAnyLocale) {
    const std::locale old = std::locale::global(std::locale(std::locale::classic(), new comma_decimals));
    const bool c_locale_changed = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(wits_number(0.125), "0.12"); // the binary value lies below the half
    EXPECT_EQ(wits_number(2.675), "2.67");
    EXPECT_EQ(wits_number(-12.345678), "-12.35");
    EXPECT_EQ(wits_number(1e20), "100000000000000000000.00");
    EXPECT_EQ(wits_number(3.4e38f)->find('e'), std::string::npos);
    EXPECT_EQ(wits_number(1e-9), "0.00");
    EXPECT_EQ(wits_number(-0.004), "0.00");
    EXPECT_EQ(wits_number(-0.005), "-0.01");
    EXPECT_FALSE(wits_number(std::nan("")));
    EXPECT_FALSE(wits_number(-std::numeric_limits<double>::infinity()));
    std::locale::global(old);
    if (c_locale_changed)
        std::setlocale(LC_ALL, "C");
}

class WitsSettings : public ::testing::Test {
protected:
    tools::settings_result load(const std::string& text) {
        bv_test::write_file(path_, text);
        return tools::load_wits_settings(path_, true);
    }
    bv_test::scratch_dir dir_;
    std::string path_ = dir_.file("wits.ini");
};

TEST_F(WitsSettings, FactorsOffsetsAndSwitchesAsWritten) {
    const auto r =
        load("; station in tonnes-force and atmospheres\r\n# another comment\r\n\r\n[0114]\r\n"
             "Factor = 0.980665\r\nenabled=Yes\r\n[0121]\r\nfactor=\"101.325\"\r\noffset = -2.5\r\n[0112]\r\n"
             "enabled = no\r\n[0105]\r\nENABLED=off\r\n[0106]\r\nenabled=0\r\n[0110]\r\n"
             "enabled=1\r\n[0108]\r\nenabled=true\r\n[0113]\r\nenabled=ON\r\n");
    ASSERT_TRUE(r.settings) << r.error;
    const auto& s = *r.settings;
    EXPECT_EQ(s.items[2].factor, 0.980665);
    EXPECT_EQ(s.items[4].factor, 101.325);
    EXPECT_EQ(s.items[4].offset, -2.5);
    EXPECT_FALSE(s.items[3].enabled);
    EXPECT_TRUE(s.items[0].enabled && s.items[0].factor == 1 && s.items[0].offset == 0);
    EXPECT_FALSE(s.send_date);
    EXPECT_FALSE(s.send_time);
    const auto values = tools::scaled_values(s, {1, 2, 10, 4, 2, 6});
    EXPECT_EQ(values[0], 1.0);
    EXPECT_DOUBLE_EQ(*values[2], 9.80665);
    EXPECT_FALSE(values[3]);
    EXPECT_DOUBLE_EQ(*values[4], 200.15);
}

TEST_F(WitsSettings, EveryMistakeIsAnErrorNamingItsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"[0114]\nfactor=0,980665\n", ":2: factor takes a number"},
        {"[0114]\nfactor=\n", ":2: factor takes a number"},
        {"[0114]\noffset=inf\n", ":2: offset takes a number"},
        {"[0114]\nfactor=1e999\n", ":2: factor takes a number"},
        {"[0114]\nfactr=0.98\n", ":2: unknown setting"},
        {"[0114]\nfactor 0.98\n", ":2: not a key = value line"},
        {"\n[0114]\nfactor=1\nFACTOR=2\n", ":4: setting given twice: FACTOR=2"},
        {"[0114]\n[0110]\n[0114]\n", ":3: item given twice"},
        {"[0115]\nfactor=1\n", ":1: unknown item"},
        {"factor=1\n", ":1: setting outside an item section"},
        {"[0105]\nfactor=2\n", ":2: unknown setting (enabled)"},
        {"[0113]\nenabled=maybe\n", ":2: enabled takes yes or no"},
    };
    for (const auto& [text, expected] : cases) {
        const auto r = load(text);
        EXPECT_FALSE(r.settings) << text;
        EXPECT_NE(r.error.find(path_ + expected), std::string::npos) << text << " gave " << r.error;
    }
}

TEST_F(WitsSettings, MissingFileIsTheIdentityUnlessItWasNamed) {
    const auto absent = dir_.file("absent.ini");
    const auto r = tools::load_wits_settings(absent, false);
    ASSERT_TRUE(r.settings);
    EXPECT_EQ(tools::scaled_values(*r.settings, {1, 2, 3, 4, 5, 6})[5], 6.0);
    EXPECT_NE(tools::load_wits_settings(absent, true).error.find("cannot be read"), std::string::npos);
    EXPECT_FALSE(tools::load_wits_settings(dir_.path(), false).settings); // a directory is no settings file
}

snapshot_result fresh(double age, float hole_depth = 1523.4f) {
    ValueMap values{{output_names[0], hole_depth}, {output_names[2], 85.0f}};
    snapshot_result r;
    r.snapshot = output_snapshot{encode_output(values), age};
    return r;
}

snapshot_result failed(read_problem problem) {
    snapshot_result r;
    r.problem = problem;
    r.error = "why";
    return r;
}

TEST(WitsFeed, OnlyFreshReadsBecomeFramesAndEachChangeOfStateIsLoggedOnce) {
    tools::wits_settings settings;
    settings.items[2].factor = 0.5;
    settings.send_time = false;
    tools::wits_feed feed(settings);
    const tools::wits_clock at{2026, 12, 31, 23, 59, 58};

    auto step = feed.on_read(fresh(0.3), at);
    EXPECT_EQ(step.frame, "&&\r\n0105261231\r\n01101523.40\r\n01080.00\r\n011442.50\r\n01120.00\r\n01210.00\r\n"
                          "01130.00\r\n!!\r\n");
    EXPECT_EQ(step.log, "feeding frames");
    step = feed.on_read(fresh(5.0), at); // five seconds old is still live
    EXPECT_TRUE(step.frame && !step.log);

    const struct {
        snapshot_result read;
        tools::feed_state state;
    } silent[] = {{fresh(5.2), tools::feed_state::stale},
                  {fresh(-6), tools::feed_state::stale}, // dated ahead: the writer's clock went back, then it stopped
                  {failed(read_problem::missing), tools::feed_state::missing},
                  {failed(read_problem::wrong_size), tools::feed_state::wrong_size},
                  {failed(read_problem::unreadable), tools::feed_state::unreadable}};
    for (const auto& s : silent) {
        const bool changed = feed.seconds_in(s.state) == 0;
        step = feed.on_read(s.read, at);
        EXPECT_FALSE(step.frame);
        EXPECT_EQ(step.state, s.state);
        EXPECT_EQ(step.log.has_value(), changed);
        if (step.log)
            EXPECT_EQ(step.log->find(std::string("no frames: ") + tools::feed_state_name(s.state)), 0u) << *step.log;
        if (step.log && s.state == tools::feed_state::stale)
            EXPECT_NE(step.log->find("(last written 5.2 s ago)"), std::string::npos) << *step.log;
    }
    // A file dated ahead of this clock is said to be so, not "written -59.0 s ago".
    tools::wits_feed ahead(settings);
    step = ahead.on_read(fresh(-60), at);
    ASSERT_TRUE(step.log);
    EXPECT_NE(step.log->find("(dated 60.0 s ahead of this clock)"), std::string::npos) << *step.log;
    step = feed.on_lock_busy();
    EXPECT_TRUE(!step.frame && step.log && step.state == tools::feed_state::lock_busy);
    EXPECT_FALSE(feed.on_lock_busy().log);

    step = feed.on_read(fresh(0.1, 1600), at);
    ASSERT_TRUE(step.frame);
    EXPECT_NE(step.frame->find("01101600.00\r\n"), std::string::npos);
    EXPECT_EQ(step.log, "feeding frames");
    EXPECT_EQ(feed.frames(), 3);
    EXPECT_EQ(feed.seconds_in(tools::feed_state::stale), 2);
    EXPECT_EQ(feed.seconds_in(tools::feed_state::lock_busy), 2);
    EXPECT_EQ(feed.seconds_in(tools::feed_state::missing), 1);
}

} // namespace
