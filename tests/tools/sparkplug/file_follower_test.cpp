// Following Borevane.bin on the follower's own thread, with the module's writer and a second real process
// holding the file's lock.
#include "acquisition/core/output_file.h"
#include "tests/support/child_process.h"
#include "tools/sparkplug/FileFollower.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using sparkplug::reading;
using sparkplug::source;

namespace {

// What the follower handed over, from its thread.
class taken_readings {
    std::mutex mutex;
    std::vector<reading> all;

public:
    void add(const reading& r) {
        const std::lock_guard<std::mutex> hold(mutex);
        all.push_back(r);
    }
    std::vector<reading> wait_for(std::size_t count, std::chrono::milliseconds limit) {
        wait_until([&] { return all.size() >= count; }, limit);
        const std::lock_guard<std::mutex> hold(mutex);
        return all;
    }
    bool last_is(source from, std::chrono::milliseconds limit) {
        return wait_until([&] { return !all.empty() && all.back().from == from; }, limit);
    }
    std::size_t count() {
        const std::lock_guard<std::mutex> hold(mutex);
        return all.size();
    }

private:
    template <class Condition> bool wait_until(Condition done, std::chrono::milliseconds limit) {
        for (auto waited = 0ms; waited < limit; waited += 10ms) {
            {
                const std::lock_guard<std::mutex> hold(mutex);
                if (done())
                    return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
};

} // namespace

TEST(FileFollower, EveryRewriteIsTakenAtOnceAndALockHeldForLongIsSaidOnce) {
    testing_os::scratch_dir dir;
    const std::string bin = dir.file("Borevane.bin");
    const std::string marker = dir.file("marker");
    std::ofstream(marker) << "-";
    taken_readings got;
    std::atomic<int> complaints{0};
    // An interval far longer than the test's rewrites: only the change notifications can see them all.
    FileFollower follower(
        bin, 100000, [&](const reading& r) { got.add(r); }, [&](const std::string&) { ++complaints; });
    follower.start();
    const auto first = got.wait_for(1, 5000ms);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].from, source::missing);

    // Five rewrites, 150 ms apart, taken while this thread never looks: the handler is called on the follower's
    // thread, so a taker that is late (a slow disk under its journal) is never handed only the last of them.
    lib::lock_object lock(output_file_name);
    for (int i = 1; i <= 5; ++i) {
        write_output_file({{"depth", 1500.0f + float(i)}}, bin, lock);
        std::this_thread::sleep_for(150ms);
    }
    std::this_thread::sleep_for(500ms);
    // A rewrite may be read more than once (its directory changes twice); the node drops repeats by time.
    std::vector<reading> rewrites;
    for (const reading& r : got.wait_for(6, 5000ms))
        if (r.live() && (rewrites.empty() || rewrites.back().time_ms != r.time_ms))
            rewrites.push_back(r);
    ASSERT_EQ(rewrites.size(), 5u);
    for (std::size_t i = 0; i < rewrites.size(); ++i) {
        EXPECT_EQ(rewrites[i].values[0], 1501.0f + float(i)) << "rewrite " << i;
        if (i > 0)
            EXPECT_GT(rewrites[i].time_ms, rewrites[i - 1].time_ms) << "dated by the rewrite, in order";
    }
    const std::size_t settled = got.count();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(got.count(), settled) << "a still file is read again and again";
    EXPECT_EQ(complaints, 0);

    // A directory that cannot be watched is said, and the file is still read on the interval.
    taken_readings elsewhere;
    FileFollower lost(
        dir.file("none/Borevane.bin"), 100000, [&](const reading& r) { elsewhere.add(r); },
        [&](const std::string& line) {
            EXPECT_NE(line.find("reading every interval only"), std::string::npos) << line;
            ++complaints;
        });
    lost.start();
    ASSERT_EQ(elsewhere.wait_for(1, 5000ms).size(), 1u);
    EXPECT_EQ(complaints, 1);
}

TEST(FileFollower, ALockHeldForLongIsOneLockedReadingThenTheFileAgain) {
    testing_os::scratch_dir dir;
    const std::string bin = dir.file("Borevane.bin");
    const std::string marker = dir.file("marker");
    std::ofstream(marker) << "-";
    {
        lib::lock_object lock(output_file_name);
        write_output_file({{"depth", 1500.0f}}, bin, lock);
    }
    taken_readings got;
    FileFollower follower(
        bin, 100, [&](const reading& r) { got.add(r); }, [](const std::string&) {});
    testing_os::child_process holder({"hold", output_file_name, marker});
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(holder.read_line(), "waiting");
    ASSERT_EQ(holder.read_line(), "locked -");
    follower.start();
    // Ticks every 100 ms, each finding the first read still waiting: one locked reading, dated when it was said.
    const auto before = got.wait_for(1, 3000ms);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0].from, source::locked);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(got.count(), 1u) << "a lock held for five more ticks is said once";
    holder.write_line("go");
    ASSERT_EQ(holder.read_line(), "released");
    const auto after = got.wait_for(2, 3000ms);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[1].from, source::live);
    EXPECT_EQ(after[1].values[0], 1500.0f);

    // Held again later: said again.
    testing_os::child_process again({"hold", output_file_name, marker});
    ASSERT_TRUE(again.started());
    ASSERT_EQ(again.read_line(), "waiting");
    ASSERT_EQ(again.read_line(), "locked -");
    EXPECT_TRUE(got.last_is(source::locked, 3000ms)) << "a second hold of the lock went unsaid";
    again.write_line("go");
    ASSERT_EQ(again.read_line(), "released");
}
