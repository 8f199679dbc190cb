// The message loop, its timers and the stop signals: all the update cycle and the
// headless mode need. Two backends: the toolkit's (Qt) and a poll() loop without Qt.
#pragma once

#include <functional>
#include <memory>

#include "base/text.h"

class Window;

// The process-wide state of the loop (and of the toolkit, when there is one).
class Application {
  public:
    // A headless application has a message loop and timers but no windows (the poll
    // backend has nothing else).
    Application(int& argc, char** argv, bool headless = false);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Runs the message loop until the main window is closed or quit_main_loop is
// called; returns the exit code.
int run_main_loop();
void quit_main_loop(int exit_code);
// Runs `handler` on the message loop when SIGTERM, SIGINT or SIGHUP arrives; the
// transfer under way is aborted at once.
void on_termination_signal(std::function<void()> handler);
// Runs that handler now when a stop signal came while no loop was running (during a
// check made before the loop starts); true when it ran.
bool run_pending_termination_handler();

// Not visible; period 0 means stopped.
class Timer {
  public:
    Timer(Window& window, const Text& name);  // the toolkit's backend only
    explicit Timer(const Text& name);         // not tied to a window
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    int period() const;
    void set_period(int milliseconds);
    void on_tick(std::function<void()> handler);
    void fire();  // runs the handler once, as a tick would

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
