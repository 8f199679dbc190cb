// The process environment.
#pragma once

#include "base/text.h"

// The variable's value; empty when it is not set.
Text environment_variable(const Text& name);
