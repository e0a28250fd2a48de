// Whole-file replacement keeps what the user set on the file, on real files.
#include "os/atomic_file.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

bool replace(const std::string& path, const std::string& text) {
    return os::replace_file_atomically(path, text.data(), text.size());
}

} // namespace

TEST(AtomicFile, CreatesAndReplaces) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("f.ini");
    ASSERT_TRUE(replace(path, "first"));
    ASSERT_TRUE(replace(path, "second, longer"));
    ASSERT_TRUE(os::replace_file_atomically_unsynced(path, "3", 1));
    EXPECT_EQ(bv_test::read_file(path), "3");
    EXPECT_EQ(dir.entries(), 1u);
    EXPECT_FALSE(replace(dir.path(), "a directory is never replaced"));
    EXPECT_FALSE(replace(dir.file("missing/f.ini"), "no such directory"));
    EXPECT_EQ(dir.entries(), 1u);
}

#ifdef _WIN32

TEST(AtomicFile, KeepsAttributesAndRefusesReadOnly) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("f.ini");
    bv_test::write_file(path, "old");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(replace(path, "new"));
    EXPECT_EQ(bv_test::read_file(path), "new");
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(replace(path, "refused"));
    EXPECT_EQ(bv_test::read_file(path), "new");
    EXPECT_EQ(dir.entries(), 1u);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

#else

namespace {

mode_t mode_of(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

ino_t inode_of(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

} // namespace

TEST(AtomicFile, KeepsPermissionBitsAndGivesNewFilesTheUmask) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("f.ini");
    bv_test::write_file(path, "old");
    for (mode_t bits : {0600, 0640, 0604, 0200}) {
        ASSERT_EQ(::chmod(path.c_str(), bits), 0);
        ASSERT_TRUE(replace(path, "new")) << std::oct << bits;
        EXPECT_EQ(mode_of(path) & 07777, bits);
    }
    EXPECT_EQ(bv_test::read_file(path), "new");

    const mode_t old_mask = ::umask(027);
    EXPECT_TRUE(replace(dir.file("new.ini"), "x"));
    ::umask(old_mask);
    EXPECT_EQ(mode_of(dir.file("new.ini")) & 07777, 0640);
}

TEST(AtomicFile, ReplacesTheLinkTargetAndKeepsTheLink) {
    bv_test::scratch_dir dir;
    fs::create_directory(dir.file("real"));
    const auto target = dir.file("real/Borevane.ini");
    bv_test::write_file(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    fs::create_symlink("real/Borevane.ini", dir.file("link1"));
    fs::create_symlink(dir.file("link1"), dir.file("link2")); // a chain, absolute this time

    ASSERT_TRUE(replace(dir.file("link2"), "through the links"));
    EXPECT_TRUE(S_ISLNK(mode_of(dir.file("link1"))));
    EXPECT_TRUE(S_ISLNK(mode_of(dir.file("link2"))));
    EXPECT_EQ(bv_test::read_file(target), "through the links");
    EXPECT_EQ(mode_of(target) & 07777, 0600);
    EXPECT_EQ(dir.entries(), 3u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), fs::directory_iterator()), 1);

    // A dangling link gets its target created.
    fs::create_symlink("real/later.ini", dir.file("dangling"));
    ASSERT_TRUE(replace(dir.file("dangling"), "made"));
    EXPECT_TRUE(S_ISLNK(mode_of(dir.file("dangling"))));
    EXPECT_EQ(bv_test::read_file(dir.file("real/later.ini")), "made");

    // A loop of links is refused, nothing created.
    fs::create_symlink("loop_b", dir.file("loop_a"));
    fs::create_symlink("loop_a", dir.file("loop_b"));
    EXPECT_FALSE(replace(dir.file("loop_a"), "never"));
    EXPECT_TRUE(S_ISLNK(mode_of(dir.file("loop_a"))));
}

TEST(AtomicFile, RefusesAFileWithoutWritePermission) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("f.ini");
    bv_test::write_file(path, "kept");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(replace(path, "refused, even for root"));
    EXPECT_EQ(bv_test::read_file(path), "kept");
    EXPECT_EQ(mode_of(path) & 07777, 0444);
    EXPECT_EQ(dir.entries(), 1u);

    // Write bits for others only: a plain owner may not write it either.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    EXPECT_TRUE(bv_test::as_plain_user(dir.path(), [&] {
        const auto mine = dir.file("mine.ini");
        bv_test::write_file(mine, "mine");
        return ::chmod(mine.c_str(), 0466) == 0 && !replace(mine, "refused") && bv_test::read_file(mine) == "mine";
    }));
}

TEST(AtomicFile, RewritesInPlaceInAReadOnlyDirectory) {
    bv_test::scratch_dir dir;
    const auto sub = dir.file("ro");
    fs::create_directory(sub);
    const auto path = sub + "/Borevane.ini";
    const auto locked = sub + "/locked.ini";
    EXPECT_TRUE(bv_test::as_plain_user(sub, [&] {
        bv_test::write_file(path, "a longer old content");
        bv_test::write_file(locked, "locked");
        const ino_t before = inode_of(path);
        bool ok = ::chmod(locked.c_str(), 0444) == 0 && ::chmod(sub.c_str(), 0555) == 0;
        ok = ok && replace(path, "short") && bv_test::read_file(path) == "short" && inode_of(path) == before;
        ok = ok && !replace(locked, "refused") && bv_test::read_file(locked) == "locked";
        ok = ok && !replace(sub + "/new.ini", "no file can be made here");
        ::chmod(sub.c_str(), 0755);
        return ok;
    }));
    EXPECT_EQ(bv_test::read_file(path), "short");
    EXPECT_EQ(std::distance(fs::directory_iterator(sub), fs::directory_iterator()), 2);
}

TEST(AtomicFile, KeepsTheOwnerWhenRootReplaces) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    bv_test::scratch_dir dir;
    const auto path = dir.file("f.ini");
    bv_test::write_file(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(replace(path, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);

    ASSERT_EQ(::chown(path.c_str(), 0, 65534), 0); // the group alone differs
    ASSERT_TRUE(replace(path, "again"));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST(AtomicFile, LeavesNoDescriptorOpen) {
    bv_test::scratch_dir dir;
    auto open_descriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto before = open_descriptors();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(replace(dir.file("f.ini"), "x"));
    EXPECT_EQ(open_descriptors(), before);
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    bv_test::scratch_dir dir;
    const auto path = dir.file("f.ini");
    bv_test::write_file(path, "old");
    {
        bv_test::file_size_limit limit(8);
        EXPECT_FALSE(replace(path, "more than eight bytes"));
        EXPECT_FALSE(replace(dir.file("new.ini"), "more than eight bytes"));
    }
    EXPECT_EQ(bv_test::read_file(path), "old");
    EXPECT_EQ(dir.entries(), 1u);
}

#endif
