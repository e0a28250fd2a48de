#include "library/lock_object.h"
#include "os/named_mutex.h"
#include "tests/support/child_process.h"
#include "tests/support/environment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace std::chrono_literals;
using testing_os::child_process;
using testing_os::scratch_dir;
using testing_os::unique_name;

namespace {

// A correct lock keeps a waiter waiting however slow the machine; the bounds only keep a broken one from hanging.
constexpr auto still_waiting = 200ms;
constexpr auto surely_done = 60s;

void write_marker(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The lock files go to the test's own runtime directory (children inherit it).
class LockObject : public ::testing::Test {
protected:
    scratch_dir files_;
};

// Each lock kind: the owning thread may take it again, another thread waits until every lock is undone.
TEST_F(LockObject, RecursiveForItsThreadExclusiveForOthers) {
    const std::string name = unique_name("bv-lock");
    for (const char* lock_name : {static_cast<const char*>(nullptr), name.c_str()}) {
        SCOPED_TRACE(lock_name ? "named" : "unnamed");
        lib::lock_object lock(lock_name);
        lock.lock();
        lock.lock();
        auto other = std::async(std::launch::async, [&] { lib::Locker hold(&lock); });
        lock.unlock();
        EXPECT_EQ(other.wait_for(still_waiting), std::future_status::timeout);
        lock.unlock();
        EXPECT_EQ(other.wait_for(surely_done), std::future_status::ready);
    }
}

// Two instances of one name in one process are one mutex: they exclude each other between
// threads, and the owning thread passes through either of them without waiting.
TEST_F(LockObject, InstancesOfOneNameShareTheMutex) {
    const std::string name = unique_name("bv-lock");
    lib::lock_object first(name.c_str());
    lib::lock_object second(name.c_str());
    first.lock();
    second.lock(); // same thread: must not wait
    second.unlock();

    std::atomic<bool> entered{false};
    auto other = std::async(std::launch::async, [&] {
        second.lock();
        entered = true;
        second.unlock();
    });
    EXPECT_EQ(other.wait_for(still_waiting), std::future_status::timeout);
    // An unlock from a thread that does not own the mutex releases nothing.
    std::async(std::launch::async, [&] { first.unlock(); }).wait();
    EXPECT_EQ(other.wait_for(still_waiting), std::future_status::timeout);
    EXPECT_FALSE(entered);
    first.unlock();
    ASSERT_EQ(other.wait_for(surely_done), std::future_status::ready);
    EXPECT_TRUE(entered);
}

TEST_F(LockObject, LockerHoldsForItsScopeEvenWhenLeftByAnException) {
    lib::lock_object lock(unique_name("bv-lock").c_str());
    EXPECT_THROW(
        {
            lib::Locker hold(&lock);
            throw std::runtime_error("leave");
        },
        std::runtime_error);
    auto other = std::async(std::launch::async, [&] { lib::Locker hold(&lock); });
    EXPECT_EQ(other.wait_for(surely_done), std::future_status::ready);
}

TEST_F(LockObject, TwoProcessesExcludeEachOther) {
    const std::string name = unique_name("bv-lock");
    const std::string marker = files_.file("marker");
    lib::lock_object lock(name.c_str());
    lock.lock();
    write_marker(marker, "held");
    child_process child({"hold", name, marker});
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.read_line(), "waiting");
    std::this_thread::sleep_for(still_waiting);
    write_marker(marker, "free");
    lock.unlock();
    // Had the child got the lock while we held it, it would have read "held".
    EXPECT_EQ(child.read_line(), "locked free");

    auto ours = std::async(std::launch::async, [&] { lib::Locker hold(&lock); });
    EXPECT_EQ(ours.wait_for(still_waiting), std::future_status::timeout);
    child.write_line("go");
    EXPECT_EQ(child.read_line(), "released");
    EXPECT_EQ(ours.wait_for(surely_done), std::future_status::ready);
    EXPECT_EQ(child.wait(), 0);
}

TEST_F(LockObject, HolderThatDiesReleasesTheLock) {
    const std::string name = unique_name("bv-lock");
    const std::string marker = files_.file("marker");
    write_marker(marker, "-");
    child_process child({"hold", name, marker});
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.read_line(), "waiting");
    ASSERT_EQ(child.read_line(), "locked -");

    lib::lock_object lock(name.c_str());
    auto ours = std::async(std::launch::async, [&] { lib::Locker hold(&lock); });
    EXPECT_EQ(ours.wait_for(still_waiting), std::future_status::timeout);
    child.kill();
    child.wait();
    EXPECT_EQ(ours.wait_for(surely_done), std::future_status::ready);
}

TEST_F(LockObject, AnExistingMutexIsOpenedNotCreated) {
    const std::string fresh = unique_name("bv-lock");
    {
        child_process probe({"probe", fresh});
        EXPECT_EQ(probe.read_line(), "existing=0");
        EXPECT_EQ(probe.wait(), 0);
    }
    const std::string name = unique_name("bv-lock");
    lib::lock_object ours(name.c_str());
    child_process probe({"probe", name});
    EXPECT_EQ(probe.read_line(), "existing=1");
    EXPECT_EQ(probe.wait(), 0);
}

#ifndef _WIN32

TEST_F(LockObject, LockFileLivesInTheRuntimeDirectoryElsePerUserInTmp) {
    const std::string runtime = bv_test::test_home() + "/run";
    EXPECT_EQ(os::lock_file_path("Borevane.bin"), runtime + "/Borevane.bin.lock");
    EXPECT_EQ(os::lock_file_path("a/b%c"), runtime + "/a%2Fb%25c.lock");

    const std::string per_user = "/tmp/Borevane.bin." + std::to_string(::geteuid()) + ".lock";
    const std::string missing = files_.file("missing");
    for (const char* unusable : {missing.c_str(), "relative/dir", static_cast<const char*>(nullptr)}) {
        const bv_test::scoped_env runtime_dir("XDG_RUNTIME_DIR", unusable);
        EXPECT_EQ(os::lock_file_path("Borevane.bin"), per_user);
    }
}

TEST_F(LockObject, UnnamedLockTouchesNothingSystemWide) {
    lib::lock_object lock;
    lib::Locker hold(&lock);
    EXPECT_TRUE(std::filesystem::is_empty(bv_test::test_home() + "/run"));
}

// A link planted where the lock file goes is not followed: the target stays untouched and no lock is made.
TEST_F(LockObject, LinkAtTheLockPathIsRefused) {
    const std::string name = unique_name("bv-lock");
    const std::string target = files_.file("victim");
    std::filesystem::create_symlink(target, os::lock_file_path(name));
    EXPECT_EQ(os::named_mutex::open(name), nullptr);
    EXPECT_FALSE(testing_os::file_exists(target));
    EXPECT_DEATH(lib::lock_object lock(name.c_str()), "Assertion failed: lo_mutex, unit library/lock_object");
}

TEST_F(LockObject, ALockFileReplacedWhileWaitingIsFollowed) {
    const std::string name = unique_name("bv-lock");
    lib::lock_object lock(name.c_str());
    lock.lock();
    // Someone removes the lock file while we hold it; a newcomer creates a fresh one.
    std::filesystem::remove(os::lock_file_path(name));
    const std::string marker = files_.file("marker");
    write_marker(marker, "held");
    child_process child({"hold", name, marker});
    ASSERT_EQ(child.read_line(), "waiting");
    EXPECT_EQ(child.read_line(), "locked held"); // the newcomer's file is not ours: it gets in
    // Our next lock must then meet the newcomer on its file, not pass on the removed one.
    lock.unlock();
    auto ours = std::async(std::launch::async, [&] { lib::Locker hold(&lock); });
    EXPECT_EQ(ours.wait_for(still_waiting), std::future_status::timeout);
    child.write_line("go");
    EXPECT_EQ(child.read_line(), "released");
    EXPECT_EQ(ours.wait_for(surely_done), std::future_status::ready);
}

#endif

#if GTEST_HAS_DEATH_TEST
TEST(LockerDeathTest, NullObjectIsAnAssertion) {
    EXPECT_DEATH(lib::Locker hold(nullptr), "Assertion failed: obj, unit library/lock_object");
}
#endif

} // namespace
