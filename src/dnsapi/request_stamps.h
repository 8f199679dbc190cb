// The two values that make every signed request unique: the nonce and the UTC time stamp.
#pragma once

#include <cstdint>

#include "base/text.h"

// A random number in [0, 1) written as "0." and 15 digits: 17 characters, first "0".
// Window messages waiting for the program are dispatched once per draw.
Text make_nonce();
// The current UTC time as yyyy-MM-ddTHH%3Amm%3AssZ (colons already escaped), moved by
// `offset_seconds` (the service's clock minus ours, when it was learnt).
Text utc_timestamp(std::int64_t offset_seconds = 0);
