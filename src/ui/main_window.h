// The main window: the log box, the start and stop buttons, the buttons that
// open the three settings windows, and the timer that drives the update cycle.
#pragma once

#include <memory>

#include "platform/toolkit.h"

class UpdateCycle;

// Months of running must not grow the log box without limit: the oldest lines go.
constexpr int kLogBoxMaxLines = 10000;

class MainWindow {
  public:
    // Builds the window and runs its creation handler.
    MainWindow();
    ~MainWindow();

    Window& window() { return window_; }
    EditBox& log_box() { return log_box_; }
    Timer& timer() { return timer_; }
    UpdateCycle& cycle() { return *cycle_; }
    Button& start_button() { return start_button_; }
    Button& stop_button() { return stop_button_; }
    Button& ip_line_button() { return ip_line_button_; }
    Button& api_key_button() { return api_key_button_; }
    Button& domain_button() { return domain_button_; }

  private:
    void on_create();
    bool is_busy() const;
    void on_ip_line_window();
    void on_api_key_window();
    void on_domain_window();

    Window window_;
    Button start_button_;
    Button stop_button_;
    Button ip_line_button_;
    Button api_key_button_;
    Button domain_button_;
    EditBox log_box_;
    Timer timer_;
    std::unique_ptr<UpdateCycle> cycle_;
};
