// The controller tests need an event loop of their own, and must not touch the user's real
// install-location value: the configuration home points into a temporary directory.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir config_home;
    qputenv("XDG_CONFIG_HOME", config_home.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
