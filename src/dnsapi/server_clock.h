// The service's clock as we learn it: the offset from ours, taken from an answer's Date
// header when a time stamp was refused, and the reading of that header.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"

class ServerClock {
  public:
    // Seconds to add to our UTC clock to get the service's.
    std::int64_t offset_seconds() const { return offset_seconds_; }
    void set_offset_seconds(std::int64_t offset) { offset_seconds_ = offset; }

  private:
    std::int64_t offset_seconds_ = 0;
};

// Seconds since 1970 UTC of an HTTP date ("Fri, 11 Dec 2026 13:24:05 GMT", also the
// obsolete "Friday, 11-Dec-26 13:24:05 GMT" and asctime forms); empty when unreadable.
std::optional<std::int64_t> parse_http_date(const Text& value);
