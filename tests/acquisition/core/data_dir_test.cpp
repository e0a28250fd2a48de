#include "acquisition/core/data_dir.h"
#include "tests/support/child_process.h"
#include "tests/support/environment.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include "os/user_dirs.h"
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using testing_os::scratch_dir;

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
const std::string sep = "\\";
const std::string data_home = "\\AppData\\Local\\"; // LOCALAPPDATA in the test's home
#else
const std::string sep = "/";
const std::string data_home = "/.local/share/"; // XDG_DATA_HOME in the test's home
#endif

// Program directories in a scratch directory; the user's data home is the test's own.
class DataDir : public ::testing::Test {
protected:
    std::string program_dir(const std::string& relative) const {
        fs::create_directories(root_.path() + sep + relative);
        return root_.path() + sep + relative + sep;
    }
    std::string user_dir() const { return bv_test::test_home() + data_home + "Kalvemark" + sep + "Borevane" + sep; }

    scratch_dir root_;
};

TEST_F(DataDir, AWritableDirectoryOfItsOwnKeepsTheFilesBesideTheExecutable) {
    const std::string dir = program_dir("build" + sep + "app");
    EXPECT_EQ(choose_data_dir(dir), dir);
    EXPECT_FALSE(fs::exists(bv_test::test_home() + data_home)) << "nothing is made in the user's directory";
}

TEST_F(DataDir, AnInstallationKeepsThemInTheUsersDirectory) {
    const std::string bin = program_dir("usr" + sep + "bin");
    fs::create_directories(root_.path() + sep + "usr" + sep + "share" + sep + "borevane");
    bv_test::write_file(bin + installation_marker, "");
    EXPECT_EQ(choose_data_dir(bin), user_dir());
    EXPECT_TRUE(fs::is_directory(user_dir()));
    // Made once, found again.
    EXPECT_EQ(choose_data_dir(bin), user_dir());

    // A directory where the marker should be is no installation.
    const std::string other = program_dir("opt" + sep + "bin");
    fs::create_directories(other + installation_marker);
    EXPECT_EQ(choose_data_dir(other), other);
}

#ifndef _WIN32

TEST_F(DataDir, ADirectoryTheUserCannotWriteSendsThemToTheUsersDirectory) {
    const std::string dir = program_dir("readonly");
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    const std::string expected = user_dir();
    // Run as an ordinary user: root writes through permission bits.
    EXPECT_TRUE(bv_test::as_plain_user(bv_test::test_home(),
                                       [&] { return choose_data_dir(dir) == expected && fs::is_directory(expected); }));
}

TEST_F(DataDir, WithoutAnAbsoluteDataHomeTheUsersDirectoryIsUnderHome) {
    const std::string bin = program_dir("usr/bin");
    fs::create_directories(root_.path() + "/usr/share/borevane");
    bv_test::write_file(bin + installation_marker, "");
    const bv_test::scoped_env home("HOME", root_.path() + "/home");
    for (const char* value : {"", "relative/data"}) {
        const bv_test::scoped_env data("XDG_DATA_HOME", value);
        EXPECT_EQ(choose_data_dir(bin), root_.path() + "/home/.local/share/Kalvemark/Borevane/");
    }
}

// With HOME unset or not absolute, the account's home directory stands in (only asked, nothing is made there).
TEST(UserDirs, WithoutAUsableHomeVariableTheAccountsHomeServes) {
    const passwd* pw = ::getpwuid(::getuid());
    ASSERT_TRUE(pw && pw->pw_dir && pw->pw_dir[0] == '/');
    const std::string account_home = pw->pw_dir;
    const bv_test::scoped_env data("XDG_DATA_HOME", nullptr), config("XDG_CONFIG_HOME", nullptr);
    for (const char* value : {static_cast<const char*>(nullptr), "relative/home"}) {
        const bv_test::scoped_env home("HOME", value);
        EXPECT_EQ(os::user_data_home(), account_home + "/.local/share/");
        EXPECT_EQ(os::user_config_home(), account_home + "/.config");
    }
}

#endif

} // namespace
