// File-system facts over POSIX.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include <cerrno>
#include <cstdio>

namespace {

Text& executable_directory_override() {
    static Text folder;
    return folder;
}

// The file a path names, symbolic links followed, so that a link survives the
// rename and every name of one file shares its lock.
Text resolved_target(const Text& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? Text(resolved) : path;
}

Text folder_of(const Text& path) {
    std::size_t slash = path.rfind('/');
    return slash == Text::npos ? Text(".") : path.substr(0, slash == 0 ? 1 : slash);
}

Text name_of(const Text& path) {
    std::size_t slash = path.rfind('/');
    return slash == Text::npos ? path : path.substr(slash + 1);
}

bool write_all(int fd, const Text& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Earlier versions named their temporary files "<file>.tmp-XXXXXX"; a crash left
// them behind, each holding a copy of the settings (the Secret among them).
void remove_stale_temporaries(const Text& target) {
    ::unlink((target + ".tmp").c_str());
    const Text folder = folder_of(target);
    const Text prefix = name_of(target) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const Text name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
    ::closedir(dir);
}

}  // namespace

bool file_exists(const Text& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Text executable_directory() {
    if (!executable_directory_override().empty()) {
        return executable_directory_override();
    }
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return ".";
    }
    return folder_of(Text(buffer, static_cast<std::size_t>(n)));
}

void set_executable_directory_for_testing(const Text& folder) {
    executable_directory_override() = folder;
}

namespace {

bool& durable_writes() {
    static bool durable = true;
    return durable;
}

}  // namespace

void set_durable_writes_for_testing(bool durable) {
    durable_writes() = durable;
}

bool folder_is_writable(const Text& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool make_private_folders(const Text& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const Text part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == Text::npos) {
            break;
        }
    }
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool read_whole_file(const Text& path, Text& content) {
    return read_file_if_present(path, content) == FileRead::read;
}

FileRead read_file_if_present(const Text& path, Text& content) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? FileRead::missing : FileRead::failed;
    }
    Text bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return FileRead::failed;
        }
    }
    ::close(fd);
    content = std::move(bytes);
    return FileRead::read;
}

FileUpdateLock::FileUpdateLock(const Text& path) {
    const Text target = resolved_target(path);
    int fd = ::open((target + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;
    }
    // A lock file root made beside a user's file goes to that user, who must open it too.
    struct stat file;
    struct stat lock;
    if (::stat(target.c_str(), &file) == 0 && ::fstat(fd, &lock) == 0 &&
        (lock.st_uid != file.st_uid || lock.st_gid != file.st_gid)) {
        // Only root can give a file away, and only root needs to.
        int ignored = ::fchown(fd, file.st_uid, file.st_gid);
        (void)ignored;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return;
        }
    }
    fd_ = fd;
}

FileUpdateLock::~FileUpdateLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

bool replace_file_atomically(const Text& path, const Text& content) {
    const Text target = resolved_target(path);
    remove_stale_temporaries(target);
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st;
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed) {
        mode = st.st_mode & 07777;
        // A read-only file is refused as the original platform refuses it; root could
        // replace it, and so could anyone who may write the folder.
        if ((mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            return false;
        }
    }
    const Text temp = target + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    bool ok = write_all(fd, content) && (!durable_writes() || ::fsync(fd) == 0);
    // Root rewriting a user's file must leave it the user's. Anyone else cannot give a
    // file away: their rewrite becomes theirs, as an editor's save would.
    if (ok && existed && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0 && ::geteuid() == 0) {
        ok = false;
    }
    // After fchown, which clears set-id bits.
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    int dir = durable_writes()
                  ? ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                  : -1;
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
