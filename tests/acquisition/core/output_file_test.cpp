#include "acquisition/core/output_file.h"
#include "library/cp1251.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace std::chrono_literals;
using testing_os::child_process;
using testing_os::read_file;
using testing_os::scratch_dir;
using testing_os::unique_name;

namespace {

std::string bytes_of(const std::array<unsigned char, 24>& a) {
    return std::string(reinterpret_cast<const char*>(a.data()), a.size());
}

std::string hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    return out;
}

float slot(const std::array<unsigned char, 24>& bytes, int i) {
    const std::uint32_t bits = bytes[i * 4] | bytes[i * 4 + 1] << 8 | bytes[i * 4 + 2] << 16 |
                               static_cast<std::uint32_t>(bytes[i * 4 + 3]) << 24;
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

TEST(EncodeOutput, KnownLayouts) {
    EXPECT_EQ(bytes_of(encode_output({})), std::string(24, '\0'));

    const std::string depth_only = std::string("\x00\x80\xBB\x44", 4) + std::string(20, '\0');
    EXPECT_EQ(hex(bytes_of(encode_output({{"depth", 1500.0f}}))), hex(depth_only));

    // Names not in the table are ignored; values pass unscaled, negative and fractional alike.
    ValueMap all{{"unrelated", 7.0f}, {"Depth", 9.0f}};
    for (std::size_t i = 0; i < output_names.size(); ++i)
        all[output_names[i]] = -0.5f + static_cast<float>(i) * 100.25f;
    const auto bytes = encode_output(all);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(slot(bytes, i), -0.5f + static_cast<float>(i) * 100.25f) << i;
}

// The file's names and their order, as the reading program knows them. The station may send them in
// capitals; the decoder lower-cases them with the CP1251 table, after which every one, Cyrillic capitals
// too, must land in its slot.
TEST(EncodeOutput, CapitalNamesFillTheirSlotsOnceLowerCased) {
    const std::vector<std::string> capitals = {
        "DEPTH",
        "DOLOTO_Depth",
        "\xC2\xC5\xD1_\xCD\xC0_\xCA\xD0\xDE\xCA\xC5",                     // ВЕС_НА_КРЮКЕ
        "\xD2\xE0\xCB\xDC\xC1\xCB\xCE\xCA",                               // ТаЛЬБЛОК
        "\xC4\xC0\xC2\xCB\xC5\xCD\xC8\xC5_\xCD\xC0_\xC2\xD5\xCE\xC4\xC5", // ДАВЛЕНИЕ_НА_ВХОДЕ
        "\xD1\xCA\xCE\xD0\xCE\xD1\xD2\xDC_\xCC\xC5\xD5\xC0\xCD\xC8\xD7\xC5\xD1\xCA\xC0\xDF", // СКОРОСТЬ_МЕХАНИЧЕСКАЯ
    };
    ValueMap values;
    for (std::size_t i = 0; i < capitals.size(); ++i)
        values[lib::to_lower_1251(capitals[i])] = static_cast<float>(i + 1);
    const auto bytes = encode_output(values);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(slot(bytes, i), static_cast<float>(i + 1)) << i;
}

class OutputFile : public ::testing::Test {
protected:
    scratch_dir dir_;
    std::string lock_name_ = unique_name("bv-out");
    std::string bin_ = dir_.file("Borevane.bin");
};

TEST_F(OutputFile, WritesTheTwentyFourBytesAndLeavesNoTemporary) {
    lib::lock_object lock(lock_name_.c_str());
    write_output_file({{"depth", 1500.0f}}, bin_, lock);
    EXPECT_EQ(hex(read_file(bin_)), hex(std::string("\x00\x80\xBB\x44", 4) + std::string(20, '\0')));
    write_output_file({}, bin_, lock);
    EXPECT_EQ(read_file(bin_), std::string(24, '\0'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(OutputFile, WaitsWhileAnotherProcessHoldsTheLock) {
    const std::string marker = dir_.file("marker");
    std::ofstream(marker) << "-";
    child_process holder({"hold", lock_name_, marker});
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(holder.read_line(), "waiting");
    ASSERT_EQ(holder.read_line(), "locked -");

    lib::lock_object lock(lock_name_.c_str());
    auto writer = std::async(std::launch::async, [&] { write_output_file({{"depth", 1500.0f}}, bin_, lock); });
    EXPECT_EQ(writer.wait_for(300ms), std::future_status::timeout);
    EXPECT_FALSE(testing_os::file_exists(bin_));
    holder.write_line("go");
    ASSERT_EQ(writer.wait_for(60s), std::future_status::ready);
    EXPECT_EQ(read_file(bin_).substr(0, 4), std::string("\x00\x80\xBB\x44", 4));
    EXPECT_EQ(holder.read_line(), "released");
}

// A reader process that honours the lock, against thousands of writes at full speed: every read
// finds 24 bytes of one write, and the file does not change while the reader holds the lock.
TEST_F(OutputFile, ReaderHonouringTheLockNeverSeesAPartialOrMixedFile) {
    lib::lock_object lock(lock_name_.c_str());
    auto all_six = [](float v) {
        ValueMap m;
        for (const char* name : output_names)
            m[name] = v;
        return m;
    };
    write_output_file(all_six(0.0f), bin_, lock);
    child_process reader({"reader", lock_name_, bin_});
    ASSERT_TRUE(reader.started());
    constexpr int writes = 2000;
    for (int i = 1; i <= writes; ++i)
        write_output_file(all_six(static_cast<float>(i)), bin_, lock);
    write_output_file(all_six(-1.0f), bin_, lock);

    const std::string report = reader.read_line();
    EXPECT_EQ(reader.wait(), 0);
    long reads = 0, bad = -1, distinct = 0;
    ASSERT_EQ(std::sscanf(report.c_str(), "reads=%ld bad=%ld distinct=%ld", &reads, &bad, &distinct), 3) << report;
    std::printf("reader: %s over %d writes\n", report.c_str(), writes);
    EXPECT_EQ(bad, 0);
    EXPECT_GE(distinct, 2); // the reader did run between writes
}

TEST_F(OutputFile, UnwritableLocationChangesNothingAndRaisesNothing) {
    lib::lock_object lock(lock_name_.c_str());
    // The directory does not exist.
    EXPECT_NO_THROW(write_output_file({{"depth", 1.0f}}, dir_.file("missing/Borevane.bin"), lock));
    EXPECT_FALSE(testing_os::file_exists(dir_.file("missing")));
    // The "directory" is a regular file.
    const std::string plain = dir_.file("plain");
    std::ofstream(plain) << "keep";
    EXPECT_NO_THROW(write_output_file({{"depth", 1.0f}}, plain + "/Borevane.bin", lock));
    EXPECT_EQ(read_file(plain), "keep");
    // The path is a directory: the old "file" stays.
    std::filesystem::create_directory(bin_);
    EXPECT_NO_THROW(write_output_file({{"depth", 1.0f}}, bin_, lock));
    EXPECT_TRUE(std::filesystem::is_directory(bin_));
    // The lock is free again after each failure.
    auto other = std::async(std::launch::async, [&] { lib::Locker hold(&lock); });
    EXPECT_EQ(other.wait_for(60s), std::future_status::ready);
}

#ifndef _WIN32
// A directory the writer may not write to: the previous file stays whole and no temporary is
// left. Root ignores permission bits, so the write runs in a child that has given up root.
TEST_F(OutputFile, DirectoryWithoutWriteAccessKeepsThePreviousFile) {
    lib::lock_object lock(lock_name_.c_str());
    write_output_file({{"depth", 1500.0f}}, bin_, lock);
    const std::string before = read_file(bin_);
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        if (::access(dir_.path().c_str(), W_OK) == 0)
            ::_exit(4); // the failure would not be real
        write_output_file({{"depth", 2.0f}}, bin_, lock);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::chmod(dir_.path().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(bin_), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}
#endif

} // namespace
