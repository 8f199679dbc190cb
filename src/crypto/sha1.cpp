// SHA-1 with an unrolled compression function over a 16-word rolling schedule.
#include "crypto/sha1.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                            0xC3D2E1F0};

inline std::uint32_t rotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t load_big_endian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline void store_big_endian(std::uint32_t value, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

// Word i of the schedule for i >= 16, kept in a ring of 16 (rotate by 1: SHA-1, not SHA-0).
inline std::uint32_t schedule(std::uint32_t* w, int i) {
    std::uint32_t value = rotl(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
    w[i & 15] = value;
    return value;
}

inline std::uint32_t choose(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return d ^ (b & (c ^ d));
}
inline std::uint32_t parity(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return b ^ c ^ d;
}
inline std::uint32_t majority(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (b & c) | (d & (b | c));
}

// The five working variables change roles every step instead of being moved.
#define SHA1_STEP(f, k, a, b, c, d, e, word)         \
    do {                                             \
        e += rotl(a, 5) + f(b, c, d) + (k) + (word); \
        b = rotl(b, 30);                             \
    } while (0)

#define SHA1_FIVE(f, k, i, word_of)                   \
    SHA1_STEP(f, k, a, b, c, d, e, word_of(i));       \
    SHA1_STEP(f, k, e, a, b, c, d, word_of((i) + 1)); \
    SHA1_STEP(f, k, d, e, a, b, c, word_of((i) + 2)); \
    SHA1_STEP(f, k, c, d, e, a, b, word_of((i) + 3)); \
    SHA1_STEP(f, k, b, c, d, e, a, word_of((i) + 4))

#define SHA1_W_FIRST(i) w[i]
#define SHA1_W_NEXT(i) schedule(w, i)

// Processes one 64-byte block given as 16 words (copied: the schedule overwrites them).
void compress(std::uint32_t state[5], const std::uint32_t block[16]) {
    std::uint32_t w[16];
    std::memcpy(w, block, sizeof w);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];

    SHA1_FIVE(choose, 0x5A827999u, 0, SHA1_W_FIRST);
    SHA1_FIVE(choose, 0x5A827999u, 5, SHA1_W_FIRST);
    SHA1_FIVE(choose, 0x5A827999u, 10, SHA1_W_FIRST);
    SHA1_STEP(choose, 0x5A827999u, a, b, c, d, e, w[15]);
    SHA1_STEP(choose, 0x5A827999u, e, a, b, c, d, schedule(w, 16));
    SHA1_STEP(choose, 0x5A827999u, d, e, a, b, c, schedule(w, 17));
    SHA1_STEP(choose, 0x5A827999u, c, d, e, a, b, schedule(w, 18));
    SHA1_STEP(choose, 0x5A827999u, b, c, d, e, a, schedule(w, 19));

    SHA1_FIVE(parity, 0x6ED9EBA1u, 20, SHA1_W_NEXT);
    SHA1_FIVE(parity, 0x6ED9EBA1u, 25, SHA1_W_NEXT);
    SHA1_FIVE(parity, 0x6ED9EBA1u, 30, SHA1_W_NEXT);
    SHA1_FIVE(parity, 0x6ED9EBA1u, 35, SHA1_W_NEXT);

    SHA1_FIVE(majority, 0x8F1BBCDCu, 40, SHA1_W_NEXT);
    SHA1_FIVE(majority, 0x8F1BBCDCu, 45, SHA1_W_NEXT);
    SHA1_FIVE(majority, 0x8F1BBCDCu, 50, SHA1_W_NEXT);
    SHA1_FIVE(majority, 0x8F1BBCDCu, 55, SHA1_W_NEXT);

    SHA1_FIVE(parity, 0xCA62C1D6u, 60, SHA1_W_NEXT);
    SHA1_FIVE(parity, 0xCA62C1D6u, 65, SHA1_W_NEXT);
    SHA1_FIVE(parity, 0xCA62C1D6u, 70, SHA1_W_NEXT);
    SHA1_FIVE(parity, 0xCA62C1D6u, 75, SHA1_W_NEXT);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

#undef SHA1_STEP
#undef SHA1_FIVE
#undef SHA1_W_FIRST
#undef SHA1_W_NEXT

void compress_bytes(std::uint32_t state[5], const std::uint8_t* block) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = load_big_endian(block + 4 * i);
    }
    compress(state, words);
}

// The padding, once for both entry points: `tail` holds the last `tail_bits` (< 512)
// bits of the message and zeros after them; bits past the message are cleared, then the
// 1 bit and the 64-bit length are added and the one or two final blocks hashed.
void finish_tail(std::uint32_t state[5], std::uint32_t tail[32], unsigned tail_bits,
                 std::uint64_t bit_length) {
    if (tail_bits % 32 != 0) {
        tail[tail_bits / 32] &= ~std::uint32_t{0} << (32 - tail_bits % 32);
    }
    tail[tail_bits / 32] |= 0x80000000u >> (tail_bits % 32);
    const unsigned tail_blocks = tail_bits + 1 + 64 > 512 ? 2 : 1;
    tail[tail_blocks * 16 - 2] = static_cast<std::uint32_t>(bit_length >> 32);
    tail[tail_blocks * 16 - 1] = static_cast<std::uint32_t>(bit_length);
    for (unsigned block = 0; block < tail_blocks; ++block) {
        compress(state, tail + 16 * block);
    }
}

}  // namespace

Words bytes_to_words(const Bytes& bytes) {
    Words words((bytes.size() + 3) / 4, 0);
    const std::size_t whole = bytes.size() / 4;
    for (std::size_t i = 0; i < whole; ++i) {
        words[i] = load_big_endian(bytes.data() + 4 * i);
    }
    for (std::size_t k = 4 * whole; k < bytes.size(); ++k) {
        words[k / 4] |= std::uint32_t{bytes[k]} << (24 - 8 * (k % 4));
    }
    return words;
}

Words sha1_words(const Words& words, std::uint64_t bit_length) {
    std::uint32_t state[5];
    std::memcpy(state, kInitialState, sizeof state);

    // Whole blocks are hashed straight from the array; only the tail is copied for padding.
    const std::uint64_t whole_blocks = bit_length / 512;
    for (std::uint64_t block = 0; block < whole_blocks; ++block) {
        const std::size_t first = static_cast<std::size_t>(block * 16);
        if (first + 16 <= words.size()) {
            compress(state, words.data() + first);
        } else {
            std::uint32_t padded[16] = {};
            for (std::size_t i = first; i < words.size(); ++i) {
                padded[i - first] = words[i];
            }
            compress(state, padded);
        }
    }

    std::uint32_t tail[32] = {};
    const std::size_t tail_start = static_cast<std::size_t>(whole_blocks * 16);
    const unsigned tail_bits = static_cast<unsigned>(bit_length % 512);
    const unsigned tail_words = (tail_bits + 31) / 32;
    for (unsigned i = 0; i < tail_words && tail_start + i < words.size(); ++i) {
        tail[i] = words[tail_start + i];
    }
    finish_tail(state, tail, tail_bits, bit_length);
    return Words(state, state + 5);
}

Bytes words_to_bytes(const Words& words) {
    Bytes bytes(words.size() * 4);
    for (std::size_t i = 0; i < words.size(); ++i) {
        store_big_endian(words[i], bytes.data() + 4 * i);
    }
    return bytes;
}

Bytes sha1(const Bytes& message) {
    Sha1Hasher hasher;
    hasher.add(message);
    return hasher.finish();
}

Sha1Hasher::Sha1Hasher() {
    std::memcpy(state_, kInitialState, sizeof state_);
}

void Sha1Hasher::add(const std::uint8_t* data, std::size_t size) {
    total_bytes_ += size;
    if (pending_size_ > 0) {
        std::size_t take = std::min(size, sizeof pending_ - pending_size_);
        std::memcpy(pending_ + pending_size_, data, take);
        pending_size_ += take;
        data += take;
        size -= take;
        if (pending_size_ < sizeof pending_) {
            return;
        }
        compress_bytes(state_, pending_);
        pending_size_ = 0;
    }
    for (; size >= 64; data += 64, size -= 64) {
        compress_bytes(state_, data);
    }
    if (size > 0) {
        std::memcpy(pending_, data, size);
        pending_size_ = size;
    }
}

Bytes Sha1Hasher::finish() {
    std::uint32_t tail[32] = {};
    for (std::size_t k = 0; k < pending_size_; ++k) {
        tail[k / 4] |= std::uint32_t{pending_[k]} << (24 - 8 * (k % 4));
    }
    finish_tail(state_, tail, static_cast<unsigned>(pending_size_ * 8), total_bytes_ * 8);
    return words_to_bytes(Words(state_, state_ + 5));
}
