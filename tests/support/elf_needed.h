// The shared libraries an ELF executable names as NEEDED in its dynamic section, read
// from the file itself (64-bit little-endian ELF only).
#pragma once

#include <string>
#include <vector>

// Empty when the file cannot be read or is no such ELF file.
std::vector<std::string> elf_needed_libraries(const std::string& path);
