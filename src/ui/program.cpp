// Start-up of the window program: reads the command line, then runs the main window or
// the headless mode.
#include "ui/program.h"

#include "app/command_line.h"
#include "app/headless.h"
#include "app/update_cycle.h"
#include "platform/toolkit.h"
#include "ui/main_window.h"

int run_program(int argc, char** argv) {
    const CommandLine line = parse_command_line(argc, argv, "ddns");
    int exit_code = 0;
    if (!apply_command_line(line, exit_code)) {
        return exit_code;
    }
    if (line.headless) {
        return run_headless(argc, argv, line);
    }
    Application application(argc, argv);
    MainWindow main_window;
    if (line.demo_fast) {
        main_window.cycle().set_check_period(kDemoCheckPeriodMs);
    }
    main_window.window().show_as_main();
    run_main_loop();
    return 0;
}
