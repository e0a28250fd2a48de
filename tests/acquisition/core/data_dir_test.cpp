#include "acquisition/core/data_dir.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include "platform/os/user_dirs.h"
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using testing_os::scratch_dir;

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
const char* const data_home_variable = "LOCALAPPDATA";
const std::string sep = "\\";
void set_env(const char* name, const std::string& value) {
    _putenv_s(name, value.c_str());
}
#else
const char* const data_home_variable = "XDG_DATA_HOME";
const std::string sep = "/";
void set_env(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 1);
}
#endif

// A program directory and a user data home, both in a scratch directory.
class DataDir : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv(data_home_variable);
        saved_ = old ? old : "";
        set_env(data_home_variable, root_.path() + sep + "data");
    }
    void TearDown() override { set_env(data_home_variable, saved_); }

    std::string program_dir(const std::string& relative) const {
        fs::create_directories(root_.path() + sep + relative);
        return root_.path() + sep + relative + sep;
    }
    std::string user_dir() const { return root_.path() + sep + "data" + sep + "Kalvemark" + sep + "Borevane" + sep; }

    scratch_dir root_;
    std::string saved_;
};

TEST_F(DataDir, AWritableDirectoryOfItsOwnKeepsTheFilesBesideTheExecutable) {
    const std::string dir = program_dir("build" + sep + "app");
    EXPECT_EQ(choose_data_dir(dir), dir);
    EXPECT_FALSE(fs::exists(root_.path() + sep + "data")) << "nothing is made in the user's directory";
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
    EXPECT_TRUE(bv_test::as_plain_user(root_.path(),
                                       [&] { return choose_data_dir(dir) == expected && fs::is_directory(expected); }));
}

TEST_F(DataDir, WithoutAnAbsoluteDataHomeTheUsersDirectoryIsUnderHome) {
    const char* home = std::getenv("HOME");
    const std::string saved_home = home ? home : "";
    const std::string bin = program_dir("usr/bin");
    fs::create_directories(root_.path() + "/usr/share/borevane");
    bv_test::write_file(bin + installation_marker, "");
    ::setenv("HOME", (root_.path() + "/home").c_str(), 1);
    for (const char* data_home : {"", "relative/data"}) {
        ::setenv("XDG_DATA_HOME", data_home, 1);
        EXPECT_EQ(choose_data_dir(bin), root_.path() + "/home/.local/share/Kalvemark/Borevane/");
    }
    ::setenv("HOME", saved_home.c_str(), 1);
}

// With HOME unset or not absolute, the account's home directory stands in (only asked, nothing is made there).
TEST(UserDirs, WithoutAUsableHomeVariableTheAccountsHomeServes) {
    const passwd* pw = ::getpwuid(::getuid());
    ASSERT_TRUE(pw && pw->pw_dir && pw->pw_dir[0] == '/');
    const std::string account_home = pw->pw_dir;
    const char* home = std::getenv("HOME");
    const std::string saved_home = home ? home : "";
    const char* xdg_data = std::getenv("XDG_DATA_HOME");
    const std::string saved_data = xdg_data ? xdg_data : "";
    const char* xdg_config = std::getenv("XDG_CONFIG_HOME");
    const std::string saved_config = xdg_config ? xdg_config : "";
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    for (const char* value : {static_cast<const char*>(nullptr), "relative/home"}) {
        if (value)
            ::setenv("HOME", value, 1);
        else
            ::unsetenv("HOME");
        EXPECT_EQ(os::user_data_home(), account_home + "/.local/share/");
        EXPECT_EQ(os::user_config_home(), account_home + "/.config");
    }
    ::setenv("HOME", saved_home.c_str(), 1);
    if (xdg_data)
        ::setenv("XDG_DATA_HOME", saved_data.c_str(), 1);
    if (xdg_config)
        ::setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1);
}

#endif

} // namespace
