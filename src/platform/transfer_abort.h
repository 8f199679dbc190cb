// A process-wide request to abort the network transfer under way. A stop signal or the
// stop button sets it; the HTTP transport checks it at every poll (about every 50 ms).
#pragma once

// Async-signal-safe: a signal handler may call it.
void request_transfer_abort();
void clear_transfer_abort();
bool transfer_abort_requested();
