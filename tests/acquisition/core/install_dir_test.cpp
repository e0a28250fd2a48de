#include "acquisition/core/install_dir.h"
#include "os/exe_dir.h"
#include "os/user_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

using testing_os::read_file;

namespace {

TEST(ExecutableDir, IsTheDirectoryOfThisTestWithItsSeparator) {
    const std::string dir = os::executable_dir();
    ASSERT_FALSE(dir.empty());
#ifdef _WIN32
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_TRUE(testing_os::file_exists(dir + "test_acquisition_core.exe"));
#else
    EXPECT_EQ(dir, std::string(BV_TEST_BINARY_DIR) + "/");
#endif
}

#ifdef _WIN32

// Reads back through the registry API itself, not through our reader.
std::string registry_string(const char* key, const char* name, DWORD& type) {
    HKEY hkey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return "<no key>";
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    const LONG rc = RegQueryValueExA(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(hkey);
    return rc == ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

TEST(InstallDir, IsAStringValueUnderTheCurrentUser) {
    const std::string dir = os::executable_dir();
    ASSERT_TRUE(publish_install_dir(dir));
    DWORD type = 0;
    EXPECT_EQ(registry_string("Software\\Kalvemark\\Borevane", "Install_Dir", type), dir);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(read_install_dir(), dir);

    // A directory given without its separator gets one.
    ASSERT_TRUE(publish_install_dir("C:\\Program Files\\Borevane"));
    EXPECT_EQ(registry_string("Software\\Kalvemark\\Borevane", "Install_Dir", type), "C:\\Program Files\\Borevane\\");
    ASSERT_TRUE(publish_install_dir(dir));
}

TEST(UserRegistry, MissingKeyOrValueReadsAsNothing) {
    EXPECT_EQ(os::read_user_string("Software\\Kalvemark\\NoSuchKey", "Install_Dir"), std::nullopt);
    ASSERT_TRUE(os::write_user_string("Software\\Kalvemark\\Borevane", "Install_Dir", os::executable_dir()));
    EXPECT_EQ(os::read_user_string("Software\\Kalvemark\\Borevane", "NoSuchValue"), std::nullopt);
}

#else

// The settings file in the test's own home.
std::string conf() {
    return bv_test::test_home() + "/.config/Kalvemark/Borevane.conf";
}

TEST(UserRegistry, InstallDirGoesToTheSettingsFileWithItsSlash) {
    EXPECT_EQ(os::user_registry_file("Software\\Kalvemark\\Borevane"), conf());
    EXPECT_EQ(read_install_dir(), std::nullopt);
    ASSERT_TRUE(publish_install_dir("/opt/borevane/bin/"));
    EXPECT_EQ(read_file(conf()), "[General]\nInstall_Dir=/opt/borevane/bin/\n");
    EXPECT_EQ(read_install_dir(), "/opt/borevane/bin/");
    ASSERT_TRUE(publish_install_dir("/opt/other"));
    EXPECT_EQ(read_install_dir(), "/opt/other/");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bv_test::test_home() + "/.config/Kalvemark"), {}), 1);
}

TEST(UserRegistry, WithoutAnAbsoluteConfigHomeTheFileIsUnderHome) {
    for (const char* xdg : {"", "relative/config", static_cast<const char*>(nullptr)}) {
        const bv_test::scoped_env config("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(os::user_registry_file("Software\\Kalvemark\\Borevane"), conf());
    }
}

TEST(UserRegistry, OtherContentOfTheFileIsKept) {
    std::filesystem::create_directories(bv_test::test_home() + "/.config/Kalvemark");
    std::ofstream(conf()) << "[Window]\nInstall_Dir=elsewhere\n\n[General]\nother=1\nInstall_Dir=/old/\n";
    ASSERT_TRUE(publish_install_dir("/new/"));
    EXPECT_EQ(read_file(conf()), "[Window]\nInstall_Dir=elsewhere\n\n[General]\nother=1\nInstall_Dir=/new/\n");

    std::ofstream(conf(), std::ios::trunc) << "[Window]\ngeometry=1\n";
    ASSERT_TRUE(publish_install_dir("/new/"));
    EXPECT_EQ(read_file(conf()), "[General]\nInstall_Dir=/new/\n\n[Window]\ngeometry=1\n");
}

// Values that the settings format must quote or escape come back unchanged.
TEST(UserRegistry, AwkwardValuesRoundTrip) {
    for (const std::string value : {" lead and trail ", "semi;colon,comma=eq", "quote\" back\\slash", "tab\there",
                                    "\x01"
                                    "0 control then hex digit",
                                    "@at start", "\xD0\x9A\xD0\xB8\xD1\x80/"}) {
        ASSERT_TRUE(os::write_user_string("Software\\Kalvemark\\Borevane", "Install_Dir", value));
        EXPECT_EQ(os::read_user_string("Software\\Kalvemark\\Borevane", "Install_Dir"), value);
    }
}

TEST(UserRegistry, FailuresReportFalseAndKeepTheOldFile) {
    ASSERT_TRUE(publish_install_dir("/old/"));
    // The settings file's place is taken by a directory.
    std::filesystem::remove(conf());
    std::filesystem::create_directory(conf());
    EXPECT_FALSE(publish_install_dir("/new/"));
    // The configuration home is a regular file.
    const std::string file = bv_test::test_home() + "/file";
    const bv_test::scoped_env config("XDG_CONFIG_HOME", file);
    std::ofstream(file) << "x";
    EXPECT_FALSE(publish_install_dir("/new/"));
    EXPECT_EQ(read_file(file), "x");
    // Keys that name no settings file.
    EXPECT_FALSE(os::write_user_string("Software\\OnlyOne", "v", "x"));
    EXPECT_FALSE(os::write_user_string("Software\\..\\Escape", "v", "x"));
    EXPECT_FALSE(os::write_user_string("Software\\a/b\\c", "v", "x"));
}

#endif

} // namespace
