// The API key window: where the AccessKey ID and Secret of the cloud account
// are entered and saved.
#pragma once

#include "platform/toolkit.h"

class ApiKeyWindow {
  public:
    // Builds the window and fills the boxes with the stored keys.
    ApiKeyWindow();

    Window& window() { return window_; }
    Label& id_label() { return id_label_; }
    EditBox& id_box() { return id_box_; }
    Label& secret_label() { return secret_label_; }
    EditBox& secret_box() { return secret_box_; }
    Button& save_button() { return save_button_; }

    void on_save();

  private:
    Window window_;
    Label id_label_;
    EditBox id_box_;
    Label secret_label_;
    EditBox secret_box_;
    Button save_button_;
};
