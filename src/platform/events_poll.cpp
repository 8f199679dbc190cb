// Message dispatch and message boxes without a toolkit, for the daemon: there is nothing
// to repaint and no input to drop, and a message goes to the sink (or standard error).
#include <cstdio>

#include "platform/codepage.h"
#include "platform/events.h"

namespace {

MessageSink& message_sink() {
    static MessageSink sink;
    return sink;
}

int g_transfers = 0;

}  // namespace

void pump_pending_input() {}

void keep_windows_painted() {}

void begin_transfer() {
    ++g_transfers;
}

void end_transfer() {
    if (g_transfers > 0) {
        --g_transfers;
    }
}

bool transfer_under_way() {
    return g_transfers > 0;
}

void let_input_through_while_busy(void* /*widget*/) {}

void message_box(const Text& text) {
    if (message_sink()) {
        message_sink()(text);
        return;
    }
    const Text utf8 = gbk_to_utf8_text(text) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

void set_message_sink(MessageSink sink) {
    message_sink() = std::move(sink);
}
