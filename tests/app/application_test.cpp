#include "app/Application.h"

#include <QMainWindow>
#include <QMessageBox>
#include <gtest/gtest.h>
#include <stdexcept>

#include "tests/support/modal_window.h"

namespace {

TEST(Application, ExceptionMessageReadsUtf8ElseCp1251) {
    EXPECT_EQ(exception_message(std::runtime_error("Unable to write to /tmp/Папка/Borevane.ini")),
              "Unable to write to /tmp/Папка/Borevane.ini");
    EXPECT_EQ(exception_message(std::runtime_error("Unable to write to C:\\\xCF\xE0\xEF\xEA\xE0\\Borevane.ini")),
              "Unable to write to C:\\Папка\\Borevane.ini");
    EXPECT_EQ(exception_message(std::runtime_error("")), "");
}

// An exception of any type leaves the handler for the exception box, modal to the main window only.
TEST(Application, GuardedHandlerShowsAnyExceptionOverTheMainWindow) {
    QMainWindow window;
    window.show();
    bool shown = false;
    bv_test::when_modal_shown<QMessageBox>([&](QMessageBox* box) {
        shown = true;
        EXPECT_TRUE(box->text().isEmpty());
        EXPECT_EQ(box->parentWidget(), &window);
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        box->accept();
    });
    run_guarded([] { throw 42; });
    EXPECT_TRUE(shown);
}

} // namespace
