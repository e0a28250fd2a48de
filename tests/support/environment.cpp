#include "tests/support/environment.h"

#include "tests/support/scratch_dir.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace bv_test {

namespace fs = std::filesystem;

namespace {

std::unique_ptr<scratch_dir>& current_home() {
    static std::unique_ptr<scratch_dir> home;
    return home;
}

constexpr const char* home_variable = "BV_TEST_HOME";

#ifdef _WIN32
const std::string separator = "\\";
#else
const std::string separator = "/";
#endif

} // namespace

void set_env(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : ""); // an empty value removes the variable
#else
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
#endif
}

std::string test_home() {
    const char* home = std::getenv(home_variable);
    return home ? home : "";
}

void enter_test_home() {
    auto& home = current_home();
    home.reset(); // the previous test's home goes first
    home = std::make_unique<scratch_dir>();
    const std::string& root = home->path();
    set_env(home_variable, root); // what test_home() reads, in a death test's child too
#ifdef _WIN32
    set_env("LOCALAPPDATA", root + "\\AppData\\Local");
    set_env("APPDATA", root + "\\AppData\\Roaming");
#else
    set_env("HOME", root);
    set_env("XDG_CONFIG_HOME", root + "/.config");
    set_env("XDG_DATA_HOME", root + "/.local/share");
    const std::string runtime = root + "/run";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    set_env("XDG_RUNTIME_DIR", runtime);
#endif
}

std::string test_dir(const std::string& name) {
    const fs::path dir = fs::path(test_home()) / name;
    fs::create_directories(dir);
    return dir.string() + separator;
}

scoped_env::scoped_env(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str()))
        saved_ = old;
    set_env(name_, value);
}

scoped_env::~scoped_env() {
    set_env(name_, saved_);
}

} // namespace bv_test
