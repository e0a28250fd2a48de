#pragma once
// Real files for the Qt-free tests: a fresh temporary directory per test, and whole-file I/O.
#include <functional>
#include <string>

namespace bv_test {

// A fresh empty directory under the system's temporary directory, removed with its contents.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const;
    std::size_t entries() const; // how many files and folders it holds

private:
    std::string path_;
};

std::string read_file(const std::string& path); // whole contents; empty if unreadable
void write_file(const std::string& path, const std::string& content);
bool file_exists(const std::string& path);

#ifndef _WIN32
// Runs `body` as an unprivileged user (nobody) in a child process when the tests run as root,
// who ignores permission bits; `dir` is given to that user first. Otherwise runs it directly.
bool as_plain_user(const std::string& dir, const std::function<bool()>& body);

// While it lives, files this process writes may not grow beyond `bytes`: a longer write fails
// (EFBIG, the signal ignored) after its file has been made, as on a full disk.
class file_size_limit {
public:
    explicit file_size_limit(unsigned long bytes);
    ~file_size_limit();
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;

private:
    unsigned long old_soft_limit;
    void (*old_handler)(int);
};
#endif

} // namespace bv_test
