// The install a package is made from: `cmake --install` into a temporary DESTDIR puts
// the two programs, the desktop entry, the icons, the service unit and the README where
// a Linux system looks for them, and the desktop entry passes desktop-file-validate.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(Install, PutsEveryFileWhereTheSystemLooks) {
    const char* build = getenv("DDNS_TEST_BINARY_DIR");
    if (build == nullptr) {
        GTEST_SKIP() << "DDNS_TEST_BINARY_DIR is not set (ctest sets it)";
    }
    TempDir destdir;
    setenv("DESTDIR", destdir.path().c_str(), 1);
    ChildProcess install(DDNS_CMAKE_COMMAND, {"--install", build, "--prefix", "/usr"});
    ASSERT_TRUE(install.started());
    EXPECT_EQ(install.wait_exit(120), 0) << install.out << install.err;
    unsetenv("DESTDIR");

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
