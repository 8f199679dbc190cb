// INI files read and written one key at a time, as the private-profile functions
// of the original platform do: names match without regard to ASCII case, the
// first of duplicated sections or keys wins, and a write changes only its own line.
#pragma once

#include <vector>

#include "base/text.h"

// The value of [section] key, without surrounding blanks or matching quotes;
// empty when the file, the section or the key is missing.
Text read_profile_string(const Text& section, const Text& key, const Text& path);
// The same, and `lossy` tells whether the value held characters GBK cannot hold (they
// read as "?") or bytes that are no text in the file's encoding.
Text read_profile_string(const Text& section, const Text& key, const Text& path, bool& lossy);
// Sets [section] key = value, creating the key, the section or the file as
// needed. Every other byte of the file stays, and so does its encoding: GBK, UTF-8
// (with or without a byte order mark) or UTF-16LE (with one). Concurrent writers, in
// this process or others, never lose each other's keys. False when the file could not
// be written or is read-only; the old file is then untouched.
bool write_profile_string(const Text& section, const Text& key, const Text& value,
                          const Text& path);
// Sets several keys of one section in a single replacement of the file, so that keys
// that only make sense together are never found half-changed after a crash.
struct ProfileValue {
    Text key;
    Text value;
};
bool write_profile_strings(const Text& section, const std::vector<ProfileValue>& values,
                           const Text& path);
