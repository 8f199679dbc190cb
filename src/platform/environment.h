// The process environment.
#pragma once

#include "base/text.h"

// The variable's value; empty when it is not set.
Text environment_variable(const Text& name);
// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path,
// otherwise ~/.config; empty when the user has no home folder.
Text user_config_directory();
