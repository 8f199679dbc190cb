// The start-up steps shared by the window and the headless mode: the welcome line, the
// settings file (created with its defaults when missing), and the summary of every setting.
#pragma once

#include "base/text.h"

// `mask_secret` shows only the secret's last 4 characters (for terminals and journals).
void initialise_settings_and_log(bool mask_secret = false);
// All but the last 4 characters replaced by "*".
Text masked_secret(const Text& secret);
