// SHA-1 (FIPS 180-1): over big-endian word arrays with an explicit bit length,
// and over plain bytes, whole or in pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/text.h"

using Words = std::vector<std::uint32_t>;

// Byte k goes into word k / 4 at bit position 24 - 8 * (k % 4); unused bits are zero.
Words bytes_to_words(const Bytes& bytes);
// SHA-1 of the first `bit_length` bits of `words` (five words, H0..H4). Bits past
// `bit_length` are ignored; words missing from the array count as zero.
Words sha1_words(const Words& words, std::uint64_t bit_length);
// Four bytes per word, most significant first.
Bytes words_to_bytes(const Words& words);

// The 20-byte digest of `message`.
Bytes sha1(const Bytes& message);

// SHA-1 of bytes handed over in pieces.
class Sha1Hasher {
  public:
    Sha1Hasher();
    void add(const std::uint8_t* data, std::size_t size);
    void add(const Bytes& bytes) { add(bytes.data(), bytes.size()); }
    // The 20-byte digest of everything added; the hasher must not be used afterwards.
    Bytes finish();

  private:
    std::uint32_t state_[5];
    std::uint8_t pending_[64];
    std::size_t pending_size_ = 0;
    std::uint64_t total_bytes_ = 0;
};
