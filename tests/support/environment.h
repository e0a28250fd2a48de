#pragma once
// The environment of a test: a home of its own, and environment variables changed for a scope.
#include <optional>
#include <string>
#include <utility>

namespace bv_test {

// The test main gives every test a fresh scratch directory as its home, so that nothing a test
// does reaches the user's real files: HOME, XDG_CONFIG_HOME (home/.config), XDG_DATA_HOME
// (home/.local/share) and XDG_RUNTIME_DIR (home/run, made with mode 0700) point into it on POSIX,
// LOCALAPPDATA and APPDATA on Windows. Child processes inherit it. Removed when the test ends.
std::string test_home();
// Makes a fresh home and points the variables at it (the test main calls it before each test).
void enter_test_home();

// A directory `name` inside the test's home, made if missing; with its trailing separator.
std::string test_dir(const std::string& name);

// Sets (or, given nothing or a null pointer, unsets) an environment variable while it lives, then
// puts back what was there.
class scoped_env {
public:
    scoped_env(std::string name, std::optional<std::string> value);
    scoped_env(std::string name, const char* value)
        : scoped_env(std::move(name), value ? std::optional<std::string>(value) : std::nullopt) {}
    ~scoped_env();
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Sets or unsets a variable for good.
void set_env(const std::string& name, const std::optional<std::string>& value);

} // namespace bv_test
