// The file written for the user registry must read back through QSettings("Kalvemark", "Borevane"),
// which is how the other programs of the user look the value up. The test's own home holds it.
#include "acquisition/core/install_dir.h"
#include "os/user_registry.h"

#include <gtest/gtest.h>

#include <QSettings>

namespace {

TEST(SettingsCompat, QSettingsReadsTheWrittenValues) {
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
