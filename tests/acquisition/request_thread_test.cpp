// The pacing thread on its own: once per second of the clock, asleep in between, and safe to destroy running.
#include "acquisition/RequestThread.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>

#include "tests/support/qt_helpers.h"

namespace {

double cpu_seconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

TEST(RequestThread, RunsTheActionOncePerSecondAndNapsInBetween) {
    QObject context;
    int actions = 0;
    RequestThread thread(&context, [&] { ++actions; });
    const double cpu_before = cpu_seconds();
    thread.start();
    QEventLoop idle; // an event loop that sleeps until there is something to do
    QTimer::singleShot(2500, &idle, &QEventLoop::quit);
    idle.exec();
    thread.finish();
    const double cpu_used = cpu_seconds() - cpu_before;
    // The first pass runs it after one nap, then once per change of the second: two to four in 2.5 s.
    EXPECT_GE(actions, 2);
    EXPECT_LE(actions, 4);
    // Both threads mostly sleep; one that never naps would burn a core for the whole time.
    EXPECT_LT(cpu_used, 0.3) << cpu_used;
    EXPECT_TRUE(thread.isFinished());
}

TEST(RequestThread, DestroyedWhileRunningEndsFirst) {
    QObject context;
    int actions = 0;
    {
        RequestThread thread(&context, [&] { ++actions; });
        thread.start();
        bv_test::pump(400);
    }
    const int seen = actions;
    bv_test::pump(1300);
    EXPECT_EQ(actions, seen);
}
