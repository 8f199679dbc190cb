// Base64 encoding in groups of three bytes.
#include "crypto/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

Text base64_encode(const Bytes& bytes) {
    const std::size_t n = bytes.size();
    Text out;
    out.reserve((n + 2) / 3 * 4);
    for (std::size_t i = 0; i < n; i += 3) {
        const std::uint32_t b0 = bytes[i];
        const std::uint32_t b1 = i + 1 < n ? bytes[i + 1] : 0;
        const std::uint32_t b2 = i + 2 < n ? bytes[i + 2] : 0;
        const std::uint32_t value = (b0 << 16) | (b1 << 8) | b2;
        for (std::size_t j = 0; j < 4; ++j) {
            if (8 * i + 6 * j > 8 * n) {
                out += '=';
            } else {
                out += kAlphabet[(value >> (6 * (3 - j))) & 63];
            }
        }
    }
    return out;
}
