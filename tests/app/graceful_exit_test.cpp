#include "app/GracefulExit.h"
#include "tests/support/main_form_harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <array>
#include <csignal>
#include <gtest/gtest.h>

#include "tests/support/qt_helpers.h"

namespace {

using bv_test::wait_for;

extern "C" void marker_handler(int) {}

// Puts the handled signals back to their default action for the duration of a test.
struct DefaultDispositions {
    std::array<struct sigaction, GracefulExit::handled_signals.size()> saved{};
    DefaultDispositions() {
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        for (std::size_t i = 0; i < saved.size(); ++i)
            ::sigaction(GracefulExit::handled_signals[i], &dfl, &saved[i]);
    }
    ~DefaultDispositions() {
        for (std::size_t i = 0; i < saved.size(); ++i)
            ::sigaction(GracefulExit::handled_signals[i], &saved[i], nullptr);
    }
};

TEST(GracefulExit, EachSignalRunsTheExitSequenceOnTheGuiThread) {
    DefaultDispositions defaults;
    int exits = 0;
    Qt::HANDLE thread = nullptr;
    GracefulExit graceful(
        [&] {
            ++exits;
            thread = QThread::currentThreadId();
        },
        {});
    int expected = 0;
    for (int signo : GracefulExit::handled_signals) {
        ASSERT_EQ(::raise(signo), 0);
        ++expected;
        EXPECT_TRUE(wait_for([&] { return exits == expected; })) << "signal " << signo;
    }
    EXPECT_EQ(thread, QThread::currentThreadId());
}

TEST(GracefulExit, RestoresThePreviousDispositions) {
    struct sigaction marker {};
    marker.sa_handler = marker_handler;
    sigemptyset(&marker.sa_mask);
    struct sigaction saved_term {
    }, saved_hup{};
    ::sigaction(SIGTERM, &marker, &saved_term);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &ignore, &saved_hup);
    {
        int exits = 0;
        GracefulExit graceful([&] { ++exits; }, {});
        struct sigaction now {};
        ::sigaction(SIGTERM, nullptr, &now);
        EXPECT_NE(now.sa_handler, marker_handler);
        // An ignored signal stays ignored: a program started under nohup survives the hang-up.
        ::sigaction(SIGHUP, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_IGN);
        ASSERT_EQ(::raise(SIGHUP), 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(exits, 0);
    }
    struct sigaction term {
    }, hup{};
    ::sigaction(SIGTERM, &saved_term, &term);
    ::sigaction(SIGHUP, &saved_hup, &hup);
    EXPECT_EQ(term.sa_handler, marker_handler);
    EXPECT_EQ(hup.sa_handler, SIG_IGN);
}

TEST(GracefulExit, LoopEndingWithoutExitRunsTheSequence) {
    int exits = 0;
    GracefulExit graceful([&] { ++exits; }, {});
    // What QCoreApplication::exec() emits when the session manager makes the loop quit.
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_EQ(exits, 1);
}

TEST(GracefulExitDeathTest, SecondSignalDuringTheExitEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DefaultDispositions defaults;
            GracefulExit graceful([] { ::raise(SIGTERM); }, {});
            ::raise(SIGTERM);
            wait_for([] { return false; }, 3000);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

class GracefulExitWindow : public bv_test::main_form_harness {};

TEST_F(GracefulExitWindow, SigtermStopsTheMainWindowAndSavesTheSettings) {
    make(bv_test::closed_port());
    DefaultDispositions defaults;
    GracefulExit graceful([&] { form->exit_on_request(); }, {});
    form->show();
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(wait_for([&] { return form->is_exit_requested(); }));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(ini_text().startsWith("[main]"));
}

} // namespace
