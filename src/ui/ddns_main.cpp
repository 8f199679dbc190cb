// The program's entry: the main window, or the headless mode.
#include "ui/program.h"

int main(int argc, char** argv) {
    return run_program(argc, argv);
}
