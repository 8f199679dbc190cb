// File-system facts the program needs: existence, the executable's folder, and
// replacing a file's whole content without ever leaving it half-written.
#pragma once

#include "base/text.h"

bool file_exists(const Text& path);
// Folder of the running executable, without a trailing separator.
Text executable_directory();
// Reads a whole file; false when it cannot be read.
bool read_whole_file(const Text& path, Text& content);
// Writes a temporary file beside `path` and renames it over `path`; on any
// failure the old file stays untouched. New files are private to the user.
bool replace_file_atomically(const Text& path, const Text& content);
