// The daemon's entry: the headless mode, without any toolkit.
#include "app/command_line.h"
#include "app/headless.h"

int main(int argc, char** argv) {
    const CommandLine line = parse_command_line(argc, argv, "ddnsd");
    int exit_code = 0;
    if (!apply_command_line(line, exit_code)) {
        return exit_code;
    }
    return run_headless(argc, argv, line);
}
