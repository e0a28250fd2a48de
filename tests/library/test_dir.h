#pragma once
// A fresh temporary directory per test, removed afterwards.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TestDir {
public:
    TestDir() {
        static int serial = 0;
        do {
            path = std::filesystem::temp_directory_path() /
                   ("bv-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(serial++));
        } while (!std::filesystem::create_directory(path));
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
