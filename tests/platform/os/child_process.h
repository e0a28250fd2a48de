#pragma once
// A second real process for the lock tests: the helper program beside the test, driven
// line by line through its standard input and output.

#include <string>
#include <vector>

namespace testing_os {

class child_process {
public:
    explicit child_process(const std::vector<std::string>& args); // runs the lock helper with args
    ~child_process();                                             // kills it if still running

    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool started() const { return started_; }
    std::string read_line(); // empty at end of output
    void write_line(const std::string& line);
    int wait();  // exit code
    void kill(); // ends it at once, as a crash would

private:
    bool started_ = false;
    bool finished_ = false;
    int exit_code_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;
    void* to_child_ = nullptr;
    void* from_child_ = nullptr;
#else
    int pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
#endif
};

// A fresh empty directory under the system's temporary directory, removed with its contents.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

std::string read_file(const std::string& path); // whole contents; empty if unreadable
bool file_exists(const std::string& path);
std::string unique_name(const std::string& stem); // differs per process and call

} // namespace testing_os
