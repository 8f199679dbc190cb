// File-system facts the program needs: existence, the executable's folder, and
// replacing a file's whole content without ever leaving it half-written.
#pragma once

#include "base/text.h"

bool file_exists(const Text& path);
// Folder of the running executable, without a trailing separator.
Text executable_directory();
// Tests point executable_directory() at another folder; empty text restores it.
void set_executable_directory_for_testing(const Text& folder);
// Tests that make thousands of writes skip the flushes to disk that make a replaced
// file survive a power cut (nothing a test can observe); true restores them.
void set_durable_writes_for_testing(bool durable);
// True when the caller may create files in the folder.
bool folder_is_writable(const Text& folder);
// Creates the folder and any missing parents, each private to the user (0700).
// True when the folder exists afterwards.
bool make_private_folders(const Text& folder);
// Reads a whole file; false when it cannot be read.
bool read_whole_file(const Text& path, Text& content);
// Reads a whole file, telling a file that is not there from one that cannot be read
// (no permission, an I/O error part-way, a folder): a read that fails part-way must
// never pass for a shorter file, or the next rewrite would drop the rest.
enum class FileRead { read, missing, failed };
FileRead read_file_if_present(const Text& path, Text& content);

// Serialises read-modify-replace cycles of one file across processes for as long as
// it lives. The lock is held on "<file>.lock" beside it, since the file itself is
// replaced by every write and so cannot carry a lock.
class FileUpdateLock {
  public:
    explicit FileUpdateLock(const Text& path);
    ~FileUpdateLock();
    FileUpdateLock(const FileUpdateLock&) = delete;
    FileUpdateLock& operator=(const FileUpdateLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Writes "<file>.tmp" beside `path` and renames it over `path`; on any failure the
// old file stays untouched. The new file keeps the old one's owner, group and mode;
// new files are private to the user. A file without any write bit in its mode is
// refused (false), even for root. Call it holding a FileUpdateLock: a temporary file
// left by a crash is removed first.
bool replace_file_atomically(const Text& path, const Text& content);
