// The headless mode: the update cycle without a window, for servers (ddnsd, and ddns
// --headless). Log lines go to standard output, messages to standard error; exit codes
// tell a service manager what happened (0 stopped by a signal, 1 the IP line failed,
// 2 refused to start, or the key, the account or the record must change first).
#pragma once

#include "app/command_line.h"

int run_headless(int argc, char** argv, const CommandLine& line);
