// Lower-case hexadecimal text of bytes, for comparing digests with published values.
#pragma once

#include <cstdio>

#include "base/text.h"

inline Text hex(const Bytes& bytes) {
    Text out;
    for (std::uint8_t b : bytes) {
        char buffer[3];
        std::snprintf(buffer, sizeof buffer, "%02x", b);
        out += buffer;
    }
    return out;
}
