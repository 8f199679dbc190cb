// The IP line window: the six IP lines' URLs, the choice of the line the
// update cycle uses, saving both, and a test of all six lines.
#pragma once

#include <array>

#include "platform/toolkit.h"

class IpLineWindow {
  public:
    static constexpr int kLines = 6;

    // Builds the window: the current line's radio button selected, the stored URLs shown.
    IpLineWindow();

    Window& window() { return window_; }
    // Line n is 1..6.
    RadioButton& line_radio(int line) { return radios_[index(line)]; }
    EditBox& line_box(int line) { return url_boxes_[index(line)]; }
    EditBox& test_box() { return test_box_; }
    Label& notice() { return notice_; }
    Button& save_button() { return save_button_; }
    Button& test_button() { return test_button_; }

    void on_save();
    void on_test();

  private:
    static std::size_t index(int line) { return static_cast<std::size_t>(line - 1); }

    Window window_;
    std::array<RadioButton, kLines> radios_;
    std::array<EditBox, kLines> url_boxes_;
    EditBox test_box_;
    Label notice_;
    Button save_button_;
    Button test_button_;
};
