// The one entry point of every test program. Each test runs in a home of its own (environment.h),
// so no test reads or writes the user's real settings, data or lock files. Built three ways:
// plain (the Qt-free programs, also under Wine), with a QCoreApplication (BV_TEST_QT_CORE: event
// loop, sockets, processes) and with a QApplication (BV_TEST_QT_WIDGETS: on Qt's offscreen platform
// unless the caller chose another; before every test the system colours are pinned to the standard
// table and numbers are formatted in the C locale, so that results follow neither the desktop theme
// nor the user's language).
#include "tests/support/environment.h"

#include <gtest/gtest.h>
#include <string_view>

#if defined(BV_TEST_QT_WIDGETS)
#include "gui/SystemColors.h"
#include <QApplication>
#include <QLocale>
#include <cstdlib>
#elif defined(BV_TEST_QT_CORE)
#include <QCoreApplication>
#endif

namespace {

class per_test_setup : public ::testing::EmptyTestEventListener {
public:
    // A death test's child started afresh (the "threadsafe" style) keeps the home of the test it belongs to.
    explicit per_test_setup(bool death_test_child) : own_home(!death_test_child) {}

private:
    void OnTestStart(const ::testing::TestInfo&) override {
        if (own_home)
            bv_test::enter_test_home();
#ifdef BV_TEST_QT_WIDGETS
        gui::pin_system_colors(gui::standard_system_colors());
        QLocale::setDefault(QLocale::c());
#endif
    }
    bool own_home;
};

bool is_death_test_child(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with("--gtest_internal_run_death_test"))
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const bool death_test_child = is_death_test_child(argc, argv);
    if (!death_test_child)
        bv_test::enter_test_home(); // the application object may look at the home already
#if defined(BV_TEST_QT_WIDGETS)
    if (!std::getenv("QT_QPA_PLATFORM"))
        bv_test::set_env("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#elif defined(BV_TEST_QT_CORE)
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new per_test_setup(death_test_child));
    return RUN_ALL_TESTS();
}
