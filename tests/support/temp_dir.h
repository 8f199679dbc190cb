// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Whole-file helpers for tests.
std::string read_file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::string& bytes);
