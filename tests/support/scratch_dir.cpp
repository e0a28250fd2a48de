#include "tests/support/scratch_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace bv_test {

namespace fs = std::filesystem;

scratch_dir::scratch_dir() {
    static int serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("bv-test-" + std::to_string(std::random_device{}()) +
                                                                "-" + std::to_string(serial++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string scratch_dir::file(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::size_t scratch_dir::entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace bv_test
