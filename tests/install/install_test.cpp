// The install a package is made from: `cmake --install` into a temporary DESTDIR puts
// the two programs, the desktop entry, the icons, the service unit and the README where
// a Linux system looks for them, the service unit starts the daemon where it was put,
// and the desktop entry passes desktop-file-validate.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The command line of a unit file's ExecStart=.
std::string exec_start(const std::string& unit_path) {
    const std::string unit = read_file_bytes(unit_path);
    const std::size_t at = unit.find("\nExecStart=");
    if (at == std::string::npos) {
        return std::string();
    }
    const std::size_t from = at + 11;
    return unit.substr(from, unit.find('\n', from) - from);
}

// Installs the build under `prefix` into a fresh DESTDIR; empty text when it failed.
std::string install_into(const TempDir& destdir, const std::string& prefix) {
    setenv("DESTDIR", destdir.path().c_str(), 1);
    ChildProcess install(DDNS_CMAKE_COMMAND,
                         {"--install", getenv("DDNS_TEST_BINARY_DIR"), "--prefix", prefix});
    const bool ok = install.started() && install.wait_exit(120) == 0;
    unsetenv("DESTDIR");
    EXPECT_TRUE(ok) << install.out << install.err;
    return ok ? destdir.path() : std::string();
}

// A plain `cmake --install` goes to /usr/local: the unit must start the daemon there.
TEST(Install, TheServiceUnitStartsTheInstalledDaemon) {
    if (getenv("DDNS_TEST_BINARY_DIR") == nullptr) {
        GTEST_SKIP() << "DDNS_TEST_BINARY_DIR is not set (ctest sets it)";
    }
    TempDir destdir;
    ASSERT_FALSE(install_into(destdir, "/usr/local").empty());
    const std::string command =
        exec_start(destdir.file("usr/local/lib/systemd/system/ddnsd.service"));
    EXPECT_EQ(command, "/usr/local/bin/ddnsd --config /etc/ddns/ddns_config.ini");
    EXPECT_EQ(access((destdir.path() + command.substr(0, command.find(' '))).c_str(), X_OK), 0);
}

TEST(Install, PutsEveryFileWhereTheSystemLooks) {
    if (getenv("DDNS_TEST_BINARY_DIR") == nullptr) {
        GTEST_SKIP() << "DDNS_TEST_BINARY_DIR is not set (ctest sets it)";
    }
    TempDir destdir;
    ASSERT_FALSE(install_into(destdir, "/usr").empty());

    std::set<std::string> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(destdir.path())) {
        if (e.is_regular_file()) {
            files.insert(fs::relative(e.path(), destdir.path()).string());
        }
    }
    EXPECT_EQ(files, (std::set<std::string>{
                         "usr/bin/ddns",
                         "usr/bin/ddnsd",
                         "usr/share/applications/ddns.desktop",
                         "usr/share/icons/hicolor/scalable/apps/ddns.svg",
                         "usr/share/icons/hicolor/64x64/apps/ddns.png",
                         "usr/lib/systemd/system/ddnsd.service",
                         "usr/share/doc/ddns/README.md",
                     }));

    EXPECT_EQ(exec_start(destdir.file("usr/lib/systemd/system/ddnsd.service")),
              "/usr/bin/ddnsd --config /etc/ddns/ddns_config.ini");

    const std::string desktop = destdir.file("usr/share/applications/ddns.desktop");
    if (access("/usr/bin/desktop-file-validate", X_OK) != 0) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
    ChildProcess validate("/usr/bin/desktop-file-validate", {desktop});
    ASSERT_TRUE(validate.started());
    EXPECT_EQ(validate.wait_exit(30), 0) << validate.out << validate.err;
    EXPECT_EQ(validate.out + validate.err, "");
}

}  // namespace
