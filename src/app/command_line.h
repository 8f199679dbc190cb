// The command line both programs share: the window program `ddns` and the daemon
// `ddnsd` take the same options (the daemon has no window to leave out).
#pragma once

#include "base/text.h"

struct CommandLine {
    const char* program = "ddns";  // the program's name, for its messages
    bool headless = false;         // ddns: no window; ddnsd: always
    bool once = false;             // one check, then exit with its outcome
    bool demo_fast = false;        // a check every 5 s instead of 60 s, for the demo only
    bool help = false;
    bool version = false;
    Text config;  // --config FILE; empty when not given
    Text error;   // the argument that was not understood; empty when all were
};

// The period of --demo-fast.
inline constexpr int kDemoCheckPeriodMs = 5000;

// `program` is "ddns" or "ddnsd".
CommandLine parse_command_line(int argc, char** argv, const char* program);
Text usage_text(const char* program);

// Handles --help, --version, a bad argument and --config; true when the program should
// go on, otherwise `exit_code` is set.
bool apply_command_line(const CommandLine& line, int& exit_code);
