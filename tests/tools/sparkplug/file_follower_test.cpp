// Following Borevane.bin on the follower's own thread, with the module's writer and a second real process
// holding the file's lock.
#include "acquisition/core/output_file.h"
#include "tests/support/child_process.h"
#include "tools/sparkplug/FileFollower.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using sparkplug::reading;
using sparkplug::source;
using readings = std::vector<reading>;

namespace {

// A follower of `path` and what it handed over from its thread.
struct followed {
    std::mutex mutex;
    readings all;
    std::atomic<int> complaints{0};
    FileFollower follower;

    followed(const std::string& path, int interval_ms)
        : follower(
              path, interval_ms,
              [this](const reading& r) {
                  const std::lock_guard<std::mutex> hold(mutex);
                  all.push_back(r);
              },
              [this](const std::string&) { ++complaints; }) {
        follower.start();
    }
    // What was handed over, once `done` holds of it or after 3 s.
    readings when(const std::function<bool(const readings&)>& done = [](const readings&) { return true; }) {
        for (int i = 0; i < 300; ++i, std::this_thread::sleep_for(10ms)) {
            const std::lock_guard<std::mutex> hold(mutex);
            if (done(all))
                break;
        }
        const std::lock_guard<std::mutex> hold(mutex);
        return all;
    }
};

bool any(const readings& all) {
    return !all.empty();
}

} // namespace

TEST(FileFollower, EveryRewriteIsHandedOverWhileNobodyLooksAndAStillFileIsNotReadAgain) {
    testing_os::scratch_dir dir;
    const std::string bin = dir.file("Borevane.bin");
    followed got(bin, 100000); // no interval's read within the test: only the change notifications
    ASSERT_EQ(got.when(any).at(0).from, source::missing);
    // Five rewrites 150 ms apart while this thread never looks, as a node waiting on its journal would not.
    lib::lock_object lock(output_file_name);
    for (int i = 1; i <= 5; ++i) {
        write_output_file({{"depth", 1500.0f + float(i)}}, bin, lock);
        std::this_thread::sleep_for(150ms);
    }
    std::this_thread::sleep_for(300ms);
    const readings all = got.when();
    readings rewrites; // a rewrite may be read twice (its directory changes twice); the node drops repeats by time
    for (const reading& r : all)
        if (r.live() && (rewrites.empty() || rewrites.back().time_ms != r.time_ms))
            rewrites.push_back(r);
    ASSERT_EQ(rewrites.size(), 5u);
    for (std::size_t i = 0; i < rewrites.size(); ++i) {
        EXPECT_EQ(rewrites[i].values[0], 1501.0f + float(i));
        EXPECT_TRUE(i == 0 || rewrites[i].time_ms > rewrites[i - 1].time_ms) << "dated by the rewrite, in order";
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(got.when().size(), all.size()) << "a still file is read again and again";
    EXPECT_EQ(got.complaints, 0);
    followed unwatched(dir.file("none/Borevane.bin"), 100000); // said, and still read
    EXPECT_TRUE(any(unwatched.when(any)));
    EXPECT_EQ(unwatched.complaints, 1);
}

TEST(FileFollower, ALockHeldForLongIsOneLockedReadingEachTime) {
    testing_os::scratch_dir dir;
    const std::string bin = dir.file("Borevane.bin"), marker = dir.file("marker");
    std::ofstream(marker) << "-";
    lib::lock_object lock(output_file_name);
    write_output_file({{"depth", 1500.0f}}, bin, lock);
    auto hold = [&] {
        auto holder =
            std::make_unique<testing_os::child_process>(std::vector<std::string>{"hold", output_file_name, marker});
        EXPECT_EQ(holder->read_line(), "waiting");
        EXPECT_EQ(holder->read_line(), "locked -");
        return holder;
    };
    auto holder = hold();
    followed got(bin, 100); // every tick finds the first read still waiting
    ASSERT_EQ(got.when(any).at(0).from, source::locked);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(got.when().size(), 1u) << "a lock held five more ticks is said once";
    holder->write_line("go");
    const readings after = got.when([](const readings& all) { return all.size() >= 2; });
    EXPECT_EQ(after.at(1).from, source::live);
    EXPECT_EQ(after.at(1).values[0], 1500.0f);
    holder = hold(); // held again later: said again
    EXPECT_EQ(got.when([](const readings& all) { return all.back().from == source::locked; }).back().from,
              source::locked);
    holder->write_line("go");
}
