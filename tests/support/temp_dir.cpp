// Temporary folders and whole-file helpers for tests.
#include "support/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ddns-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made != nullptr ? std::string(made) : std::string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string read_file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
