// The process environment over getenv and the user database.
#include "platform/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

Text home_directory() {
    Text home = environment_variable("HOME");
    if (home.empty()) {
        const passwd* user = ::getpwuid(::getuid());
        if (user != nullptr && user->pw_dir != nullptr) {
            home = user->pw_dir;
        }
    }
    return home;
}

}  // namespace

Text environment_variable(const Text& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? Text() : Text(value);
}

Text user_config_directory() {
    // A relative value is invalid by the XDG rules and is ignored.
    const Text configured = environment_variable("XDG_CONFIG_HOME");
    if (!configured.empty() && configured[0] == '/') {
        return configured;
    }
    const Text home = home_directory();
    return home.empty() ? Text() : home + "/.config";
}
