// Message dispatch while the program is busy, and the program's message box.
#pragma once

#include <functional>

#include "base/text.h"

// Dispatches every waiting window message when user input is pending.
void pump_pending_input();
// Lets windows repaint during a blocking transfer without dispatching user input.
void keep_windows_painted();

// Shows `text` with caption "信息：" and one OK button, modal, no owner.
void message_box(const Text& text);
// Tests (and the headless mode) receive message box texts here instead.
using MessageSink = std::function<void(const Text& text)>;
void set_message_sink(MessageSink sink);
