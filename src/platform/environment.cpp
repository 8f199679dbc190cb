// The process environment over getenv.
#include "platform/environment.h"

#include <cstdlib>

Text environment_variable(const Text& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? Text() : Text(value);
}
