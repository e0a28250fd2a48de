#pragma once
// A second real process for the lock tests: the helper program beside the test, driven
// line by line through its standard input and output.

#include "tests/support/scratch_dir.h"

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

using bv_test::file_exists;
using bv_test::read_file;
using bv_test::scratch_dir;

std::string unique_name(const std::string& stem); // differs per process and call

} // namespace testing_os
