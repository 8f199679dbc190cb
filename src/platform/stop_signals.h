// The stop signals (SIGTERM, SIGINT, SIGHUP) as both message loops take them: the
// handler aborts the transfer under way and writes a byte to a pipe the loop watches.
#pragma once

// The pipe's read end, or -1 when it could not be made; the handlers are installed once.
int stop_signal_pipe();
// Empties the pipe after the loop saw it readable.
void drain_stop_signal_pipe();
// Empties the pipe without waiting; true when a stop signal was waiting in it.
bool take_pending_stop_signal();
