// The activity log: time-stamped lines appended to the main window's log box
// (or to whatever sink the program set up), and the time-stamp formatting.
#pragma once

#include <functional>
#include <optional>

#include "base/date_time.h"
#include "base/text.h"

// Receives each piece that the log appends (the line, then "\r\n").
using LogSink = std::function<void(const Text& piece)>;
void set_log_sink(LogSink sink);

void log_line(const Text& text);

Text format_date_time(std::optional<DateTime> date_time = std::nullopt,
                      std::optional<int> style = std::nullopt,
                      std::optional<int> kind = std::nullopt);
Text format_with_pictures(DateTime date_time, std::optional<Text> date_picture,
                          std::optional<Text> time_picture,
                          std::optional<int> force_24_hour = std::nullopt);
