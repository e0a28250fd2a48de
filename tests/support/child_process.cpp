#include "tests/support/child_process.h"

#include "os/exe_dir.h"

#include <atomic>
#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace testing_os {

namespace {

std::string helper_program() {
#ifdef _WIN32
    return os::executable_dir() + "lock_helper.exe";
#else
    return os::executable_dir() + "lock_helper";
#endif
}

int process_id() {
#ifdef _WIN32
    return static_cast<int>(GetCurrentProcessId());
#else
    return static_cast<int>(::getpid());
#endif
}

} // namespace

#ifdef _WIN32

child_process::child_process(const std::vector<std::string>& args) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE child_in = nullptr, child_out = nullptr, to = nullptr, from = nullptr;
    if (!CreatePipe(&child_in, &to, &inherit, 0))
        return;
    if (!CreatePipe(&from, &child_out, &inherit, 0)) {
        CloseHandle(child_in);
        CloseHandle(to);
        return;
    }
    SetHandleInformation(to, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(from, HANDLE_FLAG_INHERIT, 0);
    std::string command;
    command.append(1, '"').append(helper_program()).append(1, '"');
    for (const auto& a : args)
        command.append(" \"").append(a).append(1, '"');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = child_in;
    si.hStdOutput = child_out;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(child_in);
    CloseHandle(child_out);
    to_child_ = to;
    from_child_ = from;
    if (started_) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
    }
}

child_process::~child_process() {
    if (started_ && !finished_) {
        kill();
        wait();
    }
    if (process_)
        CloseHandle(process_);
    if (to_child_)
        CloseHandle(to_child_);
    if (from_child_)
        CloseHandle(from_child_);
}

std::string child_process::read_line() {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(from_child_, &c, 1, &got, nullptr) && got == 1) {
        if (c == '\n')
            return line;
        if (c != '\r')
            line += c;
    }
    return line;
}

void child_process::write_line(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(to_child_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int child_process::wait() {
    if (started_ && !finished_) {
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        exit_code_ = static_cast<int>(code);
        finished_ = true;
    }
    return exit_code_;
}

void child_process::kill() {
    if (started_ && !finished_)
        TerminateProcess(process_, 137);
}

#else

child_process::child_process(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const std::string program = helper_program();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    started_ = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_child_ = in[1];
    from_child_ = out[0];
}

child_process::~child_process() {
    if (started_ && !finished_) {
        kill();
        wait();
    }
    ::close(to_child_);
    ::close(from_child_);
}

std::string child_process::read_line() {
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(from_child_, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != 1 || c == '\n')
            return line;
        line += c;
    }
}

void child_process::write_line(const std::string& line) {
    const std::string text = line + "\n";
    const ssize_t n = ::write(to_child_, text.data(), text.size());
    (void)n; // a child that is gone shows in its exit code
}

int child_process::wait() {
    if (started_ && !finished_) {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        finished_ = true;
    }
    return exit_code_;
}

void child_process::kill() {
    if (started_ && !finished_)
        ::kill(pid_, SIGKILL);
}

#endif

std::string unique_name(const std::string& stem) {
    static std::atomic<int> counter{0};
    return stem + "-" + std::to_string(process_id()) + "-" + std::to_string(counter++);
}

} // namespace testing_os
