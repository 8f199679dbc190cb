// The abort request as one lock-free flag, so that a signal handler can set it.
#include "platform/transfer_abort.h"

#include <atomic>

namespace {

std::atomic<bool> g_abort_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void request_transfer_abort() {
    g_abort_requested.store(true);
}

void clear_transfer_abort() {
    g_abort_requested.store(false);
}

bool transfer_abort_requested() {
    return g_abort_requested.load();
}
