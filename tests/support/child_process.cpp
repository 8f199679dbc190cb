// A program run as a child process with pipes on its standard output and error.
#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRunning = -1000;

Clock::time_point deadline(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(err_pipe, O_CLOEXEC) != 0) {
        close(out_pipe[0]);
        close(out_pipe[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    std::vector<std::string> texts = {program};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    fds_[0] = out_pipe[0];
    fds_[1] = err_pipe[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && exit_code_ == kRunning) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : fds_) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool ChildProcess::wait_for_output(const std::string& needle, double seconds) {
    Clock::time_point end = deadline(seconds);
    while (out.find(needle) == std::string::npos) {
        if (Clock::now() >= end || !read_some(100)) {
            return out.find(needle) != std::string::npos;
        }
    }
    return true;
}

int ChildProcess::wait_exit(double seconds) {
    Clock::time_point end = deadline(seconds);
    while (pid_ > 0 && exit_code_ == kRunning && Clock::now() < end) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        read_some(50);
    }
    // What the program wrote before it ended.
    while (exit_code_ != kRunning && read_some(0)) {
    }
    return exit_code_ == kRunning ? -1 : exit_code_;
}

void ChildProcess::close_output() {
    if (fds_[0] >= 0) {
        close(fds_[0]);
        fds_[0] = -1;
    }
}

// Waits up to `timeout_ms` for output and reads it; false once both pipes are closed,
// or when nothing came within a zero time-out.
bool ChildProcess::read_some(int timeout_ms) {
    pollfd polled[2] = {{fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0}};
    int ready = poll(polled, 2, timeout_ms);
    if (ready <= 0) {
        return timeout_ms > 0 && (fds_[0] >= 0 || fds_[1] >= 0);
    }
    std::string* sinks[2] = {&out, &err};
    for (int i = 0; i < 2; ++i) {
        if (polled[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n = read(fds_[i], buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<std::size_t>(n));
        } else {
            close(fds_[i]);
            fds_[i] = -1;
        }
    }
    return fds_[0] >= 0 || fds_[1] >= 0;
}
