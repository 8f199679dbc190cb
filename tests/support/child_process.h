// A program run as a child process with pipes on its standard output and error,
// for tests and benchmarks of the built program.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
  public:
    // Starts `program` with `arguments`, in this process's environment.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Kills the program when it is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Reads standard output until `needle` appears; false when it did not in time.
    bool wait_for_output(const std::string& needle, double seconds);
    // The exit code (128 + the signal for a killed program), or -1 when the program
    // did not end in time.
    int wait_exit(double seconds);
    // Closes our end of the program's standard output, as a reader that goes away does.
    void close_output();

    std::string out;  // standard output read so far
    std::string err;  // standard error read so far

  private:
    bool read_some(int timeout_ms);

    pid_t pid_ = -1;
    int fds_[2] = {-1, -1};  // standard output, standard error
    int exit_code_ = -1000;  // still running
};
