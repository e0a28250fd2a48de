#include "app/Application.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(Application, ExceptionMessageReadsUtf8ElseCp1251) {
    EXPECT_EQ(exception_message(std::runtime_error("Unable to write to /tmp/Папка/Borevane.ini")),
              "Unable to write to /tmp/Папка/Borevane.ini");
    EXPECT_EQ(exception_message(std::runtime_error("Unable to write to C:\\\xCF\xE0\xEF\xEA\xE0\\Borevane.ini")),
              "Unable to write to C:\\Папка\\Borevane.ini");
    EXPECT_EQ(exception_message(std::runtime_error("")), "");
}

} // namespace
