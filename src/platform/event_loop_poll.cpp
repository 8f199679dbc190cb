// The message loop without a toolkit, for the daemon: timers and the stop signals over
// one poll() call. Between two ticks the process sleeps; a signal handler only sets the
// transfer abort and writes a byte to a pipe that the loop reads.
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/event_loop.h"
#include "platform/stop_signals.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TimerState {
    int period = 0;
    Clock::time_point due;
    std::function<void()> handler;
};

struct LoopState {
    std::vector<TimerState*> timers;
    bool quit = false;
    int exit_code = 0;
    std::function<void()> on_signal;
    bool watch_signals = false;
};

LoopState& loop() {
    static LoopState state;
    return state;
}

// Milliseconds until the next timer is due, rounded up; -1 when none runs.
int next_timeout() {
    const Clock::time_point now = Clock::now();
    int timeout = -1;
    for (const TimerState* timer : loop().timers) {
        if (timer->period <= 0) {
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer->due - now).count();
        const int wait = static_cast<int>(std::max<long long>(0, left));
        timeout = timeout < 0 ? wait : std::min(timeout, wait);
    }
    return timeout;
}

void run_due_timers() {
    const Clock::time_point now = Clock::now();
    // A handler may stop or start timers: work on a copy, and check each again.
    const std::vector<TimerState*> timers = loop().timers;
    for (TimerState* timer : timers) {
        if (std::find(loop().timers.begin(), loop().timers.end(), timer) == loop().timers.end() ||
            timer->period <= 0 || now < timer->due) {
            continue;
        }
        // Missed ticks are not queued: the next one is a period after this one.
        timer->due = now + std::chrono::milliseconds(timer->period);
        if (timer->handler) {
            timer->handler();
        }
    }
}

}  // namespace

struct Application::Impl {};

Application::Application(int& /*argc*/, char** /*argv*/, bool /*headless*/)
    : impl_(std::make_unique<Impl>()) {
    // A reader of our output that goes away must not end the program: writes just fail.
    ::signal(SIGPIPE, SIG_IGN);
}

Application::~Application() = default;

struct Timer::Impl : TimerState {};

Timer::Timer(const Text& /*name*/) : impl_(std::make_unique<Impl>()) {
    loop().timers.push_back(impl_.get());
}

Timer::~Timer() {
    std::erase(loop().timers, static_cast<TimerState*>(impl_.get()));
}

int Timer::period() const {
    return impl_->period;
}

void Timer::set_period(int milliseconds) {
    impl_->period = std::max(0, milliseconds);
    impl_->due = Clock::now() + std::chrono::milliseconds(impl_->period);
}

void Timer::on_tick(std::function<void()> handler) {
    impl_->handler = std::move(handler);
}

void Timer::fire() {
    if (impl_->handler) {
        impl_->handler();
    }
}

int run_main_loop() {
    LoopState& state = loop();
    state.quit = false;
    while (!state.quit) {
        const int signals = state.watch_signals ? stop_signal_pipe() : -1;
        pollfd entry{signals, POLLIN, 0};
        const int timeout = next_timeout();
#ifdef __GLIBC__
        // A long sleep ahead: what the last check freed goes back to the system.
        if (timeout < 0 || timeout > 1000) {
            malloc_trim(0);
        }
#endif
        const int ready = ::poll(&entry, signals >= 0 ? 1 : 0, timeout);
        if (ready < 0 && errno != EINTR) {
            // Not a stop anyone asked for: a service manager must see a failure.
            std::fprintf(stderr, "poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (ready > 0 && (entry.revents & POLLIN) != 0) {
            drain_stop_signal_pipe();
            if (state.on_signal) {
                state.on_signal();
            }
            continue;
        }
        run_due_timers();
    }
    return state.exit_code;
}

void quit_main_loop(int exit_code) {
    loop().quit = true;
    loop().exit_code = exit_code;
}

void on_termination_signal(std::function<void()> handler) {
    if (stop_signal_pipe() < 0) {
        return;
    }
    loop().on_signal = std::move(handler);
    loop().watch_signals = true;
}

bool run_pending_termination_handler() {
    if (!loop().watch_signals || !take_pending_stop_signal()) {
        return false;
    }
    if (loop().on_signal) {
        loop().on_signal();
    }
    return true;
}
