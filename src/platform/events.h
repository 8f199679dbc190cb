// Message dispatch while the program is busy, and the program's message box.
#pragma once

#include <functional>

#include "base/text.h"

// Dispatches every waiting window message when user input is pending.
void pump_pending_input();
// Lets windows repaint during a blocking transfer. Timers and other events run; user
// input is dropped except what begin_transfer lets through.
void keep_windows_painted();

// Marks a blocking network transfer (calls nest). While one is under way the cursor
// shows busy and user input is dropped, never replayed, but for clicks on the controls
// let through (let_input_through_while_busy) and window close boxes: those two abort
// the transfer (the close also goes on to close its window).
void begin_transfer();
void end_transfer();
bool transfer_under_way();
// `widget` is a toolkit widget (Control::native_widget()).
void let_input_through_while_busy(void* widget);

// A transfer for the scope of one object.
class TransferScope {
  public:
    TransferScope() { begin_transfer(); }
    ~TransferScope() { end_transfer(); }
    TransferScope(const TransferScope&) = delete;
    TransferScope& operator=(const TransferScope&) = delete;
};

// Shows `text` with caption "信息：" and one OK button, modal, no owner.
void message_box(const Text& text);
// Tests (and the headless mode) receive message box texts here instead.
using MessageSink = std::function<void(const Text& text)>;
void set_message_sink(MessageSink sink);
