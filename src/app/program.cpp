// Start-up: reads the command line, then runs the main window.
#include "app/program.h"

#include "app/main_window.h"
#include "platform/toolkit.h"

int run_program(int argc, char** argv) {
    Application application(argc, argv);
    MainWindow main_window;
    main_window.window().show_as_main();
    run_main_loop();
    return 0;
}
