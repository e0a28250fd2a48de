#pragma once
// A fresh temporary directory per test, removed afterwards.
#include <filesystem>
#include <fstream>
#include <string>

class TestDir {
public:
    TestDir() {
        auto base = std::filesystem::temp_directory_path() / "bv-test-XXXXXX";
        std::string templ = base.string();
        path = mkdtemp(templ.data());
    }
    ~TestDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }

    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void write(const std::string& file, const std::string& content) {
        std::ofstream(file, std::ios::binary) << content;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path), {}));
    }

    std::filesystem::path path;
};
