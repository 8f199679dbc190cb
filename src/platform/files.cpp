// File-system facts over POSIX.
#include "platform/files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

bool file_exists(const Text& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Text executable_directory() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return ".";
    }
    Text path(buffer, static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
    return slash == Text::npos ? Text(".") : (slash == 0 ? Text("/") : path.substr(0, slash));
}

bool read_whole_file(const Text& path, Text& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        return false;
    }
    content = buffer.str();
    return true;
}

namespace {

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

}  // namespace

bool replace_file_atomically(const Text& path, const Text& content) {
    // Follow a symbolic link so that the link itself survives the rename.
    Text target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
        target = resolved;
    }
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    }
    Text temp = target + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, content) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::size_t slash = target.rfind('/');
    Text folder = slash == Text::npos ? Text(".") : target.substr(0, slash == 0 ? 1 : slash);
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
