// Where the settings file lives: beside the executable when that can work, else in
// the user's configuration folder. Each case runs in a child process as an ordinary
// user, since root may write every folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "app/settings.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

constexpr uid_t kUser = 12345;

struct PlaceCase {
    const char* name;
    bool folder_writable;         // the executable's folder, for the user
    bool file_beside;             // a ddns_config.ini is already there
    const char* xdg_config_home;  // nullptr: unset; relative values are ignored
    const char* command_line;     // --config FILE, relative to the test folder
    const char* expected;         // relative to the test folder
};

// settings_file_path() as the user sees it, computed in a child process.
std::string path_seen_by_user(const std::string& root, const PlaceCase& c) {
    int out[2];
    if (::pipe(out) != 0) {
        return "(no pipe)";
    }
    pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        bool ok = ::geteuid() != 0 || (::setgid(kUser) == 0 && ::setuid(kUser) == 0);
        ::setenv("HOME", (root + "/home").c_str(), 1);
        if (c.xdg_config_home != nullptr) {
            const std::string xdg = c.xdg_config_home;
            ::setenv("XDG_CONFIG_HOME", (xdg[0] == '/' ? root + xdg : xdg).c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        set_executable_directory_for_testing(root + "/bin");
        set_settings_file_override(c.command_line != nullptr ? root + c.command_line : "");
        const std::string path = ok ? settings_file_path() : "(no user)";
        ok = ::write(out[1], path.data(), path.size()) == static_cast<ssize_t>(path.size());
        ::_exit(ok ? 0 : 1);
    }
    ::close(out[1]);
    std::string path;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        path.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return path;
}

TEST(SettingsFilePlace, BesideTheExecutableOrInTheUsersConfigFolder) {
    const PlaceCase cases[] = {
        {"writable folder", true, false, "/home/xdg", nullptr, "/bin/ddns_config.ini"},
        {"file already there", false, true, "/home/xdg", nullptr, "/bin/ddns_config.ini"},
        {"XDG_CONFIG_HOME", false, false, "/home/xdg", nullptr, "/home/xdg/ddns/ddns_config.ini"},
        {"default folder", false, false, nullptr, nullptr, "/home/.config/ddns/ddns_config.ini"},
        {"relative XDG_CONFIG_HOME", false, false, "xdg", nullptr,
         "/home/.config/ddns/ddns_config.ini"},
        {"--config", true, true, "/home/xdg", "/etc/my.ini", "/etc/my.ini"},
    };
    const bool root = ::geteuid() == 0;
    for (const PlaceCase& c : cases) {
        TempDir dir;
        const std::string& top = dir.path();
        ASSERT_EQ(::chmod(top.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((top + "/bin").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((top + "/home").c_str(), 0755), 0);
        if (c.file_beside) {
            write_file_bytes(top + "/bin/ddns_config.ini", "");
        }
        if (root) {
            ASSERT_EQ(::chown((top + "/home").c_str(), kUser, kUser), 0);
            if (c.folder_writable) {
                ASSERT_EQ(::chown((top + "/bin").c_str(), kUser, kUser), 0);
            }
        } else if (!c.folder_writable) {
            ASSERT_EQ(::chmod((top + "/bin").c_str(), 0555), 0);
        }
        EXPECT_EQ(path_seen_by_user(top, c), top + c.expected) << c.name;

        // The configuration folder is made when it is used, private to the user.
        const std::string folder = std::filesystem::path(top + c.expected).parent_path();
        struct stat st;
        if (std::string(c.expected).find("/ddns/") != std::string::npos) {
            ASSERT_EQ(::stat(folder.c_str(), &st), 0) << c.name;
            EXPECT_EQ(st.st_mode & 0777, 0700u) << c.name;
            EXPECT_EQ(st.st_uid, root ? kUser : ::geteuid()) << c.name;
        } else {
            EXPECT_NE(::stat((top + "/home/xdg").c_str(), &st), 0) << c.name;
            EXPECT_NE(::stat((top + "/home/.config").c_str(), &st), 0) << c.name;
        }
        ::chmod((top + "/bin").c_str(), 0755);
    }
}

// Root may write /usr/bin, but an installed program's settings (the secret among them)
// go to the configuration folder, not among the system's programs.
TEST(SettingsFilePlace, NotAmongTheSystemsPrograms) {
    if (::geteuid() != 0 || ::access("/usr/bin/ddns_config.ini", F_OK) == 0) {
        GTEST_SKIP() << "needs root and no /usr/bin/ddns_config.ini";
    }
    TempDir dir;
    const char* home = ::getenv("HOME");
    const std::string saved_home = home != nullptr ? home : "";
    ::setenv("HOME", dir.path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    set_executable_directory_for_testing("/usr/bin");
    set_settings_file_override("");
    EXPECT_EQ(settings_file_path(), dir.path() + "/.config/ddns/ddns_config.ini");
    set_executable_directory_for_testing("");
    ::setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
