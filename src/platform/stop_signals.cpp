// The self-pipe of the stop signals.
#include "platform/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "platform/transfer_abort.h"

namespace {

int g_pipe[2] = {-1, -1};

// A signal handler may only do async-signal-safe work: set the flag, write the byte.
void on_stop_signal(int) {
    request_transfer_abort();
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(g_pipe[1], &byte, 1);
}

}  // namespace

int stop_signal_pipe() {
    if (g_pipe[0] >= 0) {
        return g_pipe[0];
    }
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal_number, &action, nullptr);
    }
    return g_pipe[0];
}

bool take_pending_stop_signal() {
    char buffer[16];
    bool taken = false;
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], buffer, sizeof buffer) > 0) {
        taken = true;
    }
    return taken;
}

void drain_stop_signal_pipe() {
    char buffer[16];
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
}
