// The reading side of Borevane.bin on a thread of its own, against a second real process holding the lock.
#include "acquisition/core/output_file.h"
#include "acquisition/core/output_reader.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

using namespace std::chrono_literals;
using testing_os::child_process;
using testing_os::scratch_dir;

TEST(OutputReader, AReadHeldUpByTheLockIsReportedNeverQueuedAndLaterDropped) {
    scratch_dir dir;
    const std::string bin = dir.file("Borevane.bin");
    const std::string marker = dir.file("marker");
    std::ofstream(marker) << "-";
    {
        lib::lock_object lock(output_file_name);
        write_output_file({{"depth", 1500.0f}}, bin, lock);
    }
    output_reader reader;
    const auto asked = std::chrono::steady_clock::now();
    snapshot_result read = reader.read(bin, 20s);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s); // the answer is handed over, not found at the bound
    ASSERT_TRUE(read.snapshot);
    EXPECT_TRUE(is_fresh(*read.snapshot));
    EXPECT_EQ(snapshot_values(*read.snapshot)[0], 1500.0f);

    child_process holder({"hold", output_file_name, marker});
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(holder.read_line(), "waiting");
    ASSERT_EQ(holder.read_line(), "locked -");
    read = reader.read(bin, 100ms);
    EXPECT_FALSE(read.snapshot);
    EXPECT_EQ(read.problem, read_problem::locked);
    EXPECT_EQ(read.error, "lock not obtained within 100 ms");
    EXPECT_FALSE(reader.start(bin));                                   // still waiting: not queued behind
    EXPECT_EQ(reader.read(bin, 2000ms).problem, read_problem::locked); // nor waited for again
    {
        // Going while a read waits for the lock does not wait for it either.
        output_reader leaving;
        EXPECT_EQ(leaving.read(bin, 50ms).problem, read_problem::locked);
    }
    holder.write_line("go");
    ASSERT_EQ(holder.read_line(), "released");

    // The held-up read's result is old by now and goes nowhere; the next read is a new one.
    for (int i = 0; i < 100 && !read.snapshot; ++i) {
        read = reader.read(bin, 2000ms);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(read.snapshot);

    // Started reads hand every result, a failed one too, to the handler.
    std::promise<snapshot_result> done;
    output_reader started([&](const snapshot_result& r) { done.set_value(r); });
    ASSERT_TRUE(started.start(dir.file("none.bin")));
    auto result = done.get_future();
    ASSERT_EQ(result.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(result.get().problem, read_problem::missing);

    // A file of the wrong size says so, with its size.
    std::ofstream(dir.file("short.bin"), std::ios::binary) << std::string(10, 'x');
    const snapshot_result short_read = reader.read(dir.file("short.bin"), 2000ms);
    EXPECT_EQ(short_read.problem, read_problem::wrong_size);
    EXPECT_EQ(short_read.size, 10u);
}

#ifndef _WIN32
// A writer that renames new files over Borevane.bin without the lock, each dated by its value: every read pairs
// the bytes with the time of the same file, never with the time of the file that replaced it meanwhile.
TEST(OutputReading, BytesAndTimeComeFromTheSameFileWhileItIsReplaced) {
    scratch_dir dir;
    const std::string bin = dir.file("Borevane.bin");
    const auto base = std::chrono::file_clock::now() - std::chrono::hours(1);
    const auto base_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::file_clock::to_sys(base).time_since_epoch())
            .count();
    lib::lock_object writer_lock, reader_lock; // unnamed: neither waits for the other
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 1; !done; ++i) {
            write_output_file({{"depth", float(i)}}, bin + ".next", writer_lock);
            std::filesystem::last_write_time(bin + ".next", base + std::chrono::seconds(i));
            std::filesystem::rename(bin + ".next", bin);
        }
    });
    int reads = 0, mismatched = 0;
    for (const auto until = std::chrono::steady_clock::now() + 1500ms; std::chrono::steady_clock::now() < until;)
        if (const auto read = read_output_snapshot(bin, reader_lock); read.snapshot) {
            ++reads;
            mismatched +=
                (read.snapshot->modified_ms - base_ms) / 1000 != std::lround(snapshot_values(*read.snapshot)[0]);
        }
    done = true;
    writer.join();
    EXPECT_GT(reads, 100);
    EXPECT_EQ(mismatched, 0) << "of " << reads << " reads";
}
#endif
