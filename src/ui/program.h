// Runs the program with its command line; returns the exit code.
#pragma once

int run_program(int argc, char** argv);
