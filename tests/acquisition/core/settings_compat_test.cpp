// The file written for the user registry must read back through QSettings("Kalvemark", "Borevane"),
// which is how the other programs of the user look the value up.
#include "acquisition/core/install_dir.h"
#include "platform/os/user_registry.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

TEST(SettingsCompat, QSettingsReadsTheWrittenValues) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    for (const std::string& value : {std::string("/opt/borevane/bin/"), std::string(" spaced dir ;=, \"q\" \\/"),
                                     std::string("\t\x01"
                                                 "1@x"),
                                     std::string("\xD0\x9A\xD0\xB8\xD1\x80/")}) {
        ASSERT_TRUE(os::write_user_string("Software\\Kalvemark\\Borevane", "Install_Dir", value));
        QSettings settings(QString::fromStdString(os::user_registry_file("Software\\Kalvemark\\Borevane")),
                           QSettings::IniFormat);
        EXPECT_EQ(settings.value("Install_Dir").toString().toStdString(), value);
        EXPECT_EQ(settings.status(), QSettings::NoError);
    }
    // Where QSettings itself looks for the organisation's file.
    QSettings native("Kalvemark", "Borevane");
    EXPECT_EQ(native.fileName().toStdString(), os::user_registry_file("Software\\Kalvemark\\Borevane"));
    EXPECT_EQ(native.value("Install_Dir").toString().toStdString(), "\xD0\x9A\xD0\xB8\xD1\x80/");

    // And what QSettings writes, we read.
    native.setValue("Install_Dir", QString::fromUtf8(" by qt;\t\"x\" "));
    native.sync();
    EXPECT_EQ(read_install_dir(), " by qt;\t\"x\" ");
}

} // namespace

int main(int argc, char** argv) {
    // QSettings fixes its paths on first use: point the configuration home at a scratch directory first.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
