// The command-line helpers the programs beside the module share.
#include "library/cli_args.h"

#include <csignal>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using taken = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Runs the option walk over `args` with a handler that knows --a and --b (whose value must not be "bad").
std::optional<int> walk(std::vector<std::string> args, taken& seen) {
    args.insert(args.begin(), "program");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    return lib::parse_valued_options(static_cast<int>(argv.size()), argv.data(), "program", "[--a X] [--b X]",
                                     [&](const std::string& option, const std::optional<std::string>& value) {
                                         seen.emplace_back(option, value);
                                         if (option != "--a" && option != "--b")
                                             return lib::option_taken::unknown;
                                         return value && *value != "bad" ? lib::option_taken::yes
                                                                         : lib::option_taken::bad_value;
                                     });
}

} // namespace

TEST(CliArgs, NumbersAreWholeAndWithinBounds) {
    EXPECT_EQ(lib::parse_number("10", 10, 20), 10);
    EXPECT_EQ(lib::parse_number("20", 10, 20), 20);
    EXPECT_FALSE(lib::parse_number("9", 10, 20));
    EXPECT_FALSE(lib::parse_number("21", 10, 20));
    EXPECT_FALSE(lib::parse_number("12x", 10, 20));
    EXPECT_FALSE(lib::parse_number("", 10, 20));
}

TEST(CliArgs, EachOptionGetsTheArgumentAfterItAndBadUsageEndsTheProgram) {
    taken seen;
    EXPECT_EQ(walk({"--a", "1", "--b", "--a"}, seen), std::nullopt);
    EXPECT_EQ(seen, (taken{{"--a", "1"}, {"--b", "--a"}}));

    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--c", "1"}, "program: unknown option --c\n"},
        {{"--a", "bad"}, "program: --a does not take bad\n"},
        {{"--a", "1", "--b"}, "program: --b needs a value\n"},
    };
    for (const auto& [args, message] : bad) {
        seen.clear();
        testing::internal::CaptureStderr();
        EXPECT_EQ(walk(args, seen), 2) << args.front();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message + "usage: program [--a X] [--b X]\n");
    }
    EXPECT_EQ(seen.back(), (taken::value_type{"--b", std::nullopt}));

    seen.clear();
    testing::internal::CaptureStdout();
    EXPECT_EQ(walk({"--a", "1", "--help", "--c"}, seen), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "usage: program [--a X] [--b X]\n");
    EXPECT_EQ(seen.size(), 1u);
}

TEST(CliArgs, StopSignalsSetTheFlag) {
    lib::catch_stop_signals();
    EXPECT_FALSE(lib::stop_requested());
    std::raise(SIGTERM);
    EXPECT_TRUE(lib::stop_requested());
}
