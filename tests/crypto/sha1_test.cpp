// SHA-1 against standard digests, at the lengths where padding meets a block edge.
#include "crypto/sha1.h"

#include <gtest/gtest.h>

#include "support/hex.h"

namespace {

Bytes repeated(char c, std::size_t n) {
    return Bytes(n, static_cast<std::uint8_t>(c));
}

Bytes ascii(const char* s) {
    return text_to_bytes(s);
}

// Hashes through the word interface, as the signing code's steps describe it.
Bytes sha1_by_words(const Bytes& message) {
    return words_to_bytes(sha1_words(bytes_to_words(message), 8 * message.size()));
}

struct DigestCase {
    const char* name;
    Bytes message;
    const char* digest;  // from `openssl dgst -sha1`
};

const DigestCase kDigestCases[] = {
    {"fips abc", ascii("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"fips two blocks", ascii("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {"empty", Bytes(), "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"55 bytes", repeated('a', 55), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
    {"56 bytes", repeated('a', 56), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
    {"63 bytes", repeated('a', 63), "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
    {"64 bytes", repeated('a', 64), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    {"65 bytes", repeated('a', 65), "11655326c708d70319be2610e8a57d9a5b959d3b"},
    {"1000 bytes", repeated('a', 1000), "291e9a6c66994949b57ba5e650361e98fc36b1ba"},
    {"million a", repeated('a', 1000000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
};

TEST(Sha1, GivesStandardDigestsThroughBothInterfaces) {
    for (const DigestCase& c : kDigestCases) {
        EXPECT_EQ(hex(sha1(c.message)), c.digest) << c.name;
        EXPECT_EQ(hex(sha1_by_words(c.message)), c.digest) << c.name;
    }
}

TEST(Sha1, BothInterfacesAgreeOnEveryLengthAcrossThreeBlocks) {
    Bytes message;
    for (std::size_t n = 0; n <= 200; ++n) {
        ASSERT_EQ(sha1(message), sha1_by_words(message)) << n << " bytes";
        message.push_back(static_cast<std::uint8_t>(n * 37 + 11));
    }
}

TEST(Sha1, HasherGivesTheSameDigestWhateverThePieces) {
    Bytes message = repeated('a', 1000);
    for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 999u}) {
        Sha1Hasher hasher;
        for (std::size_t at = 0; at < message.size(); at += piece) {
            hasher.add(message.data() + at, std::min(piece, message.size() - at));
        }
        EXPECT_EQ(hex(hasher.finish()), "291e9a6c66994949b57ba5e650361e98fc36b1ba") << piece;
    }
}

TEST(Sha1, HashesOnlyTheGivenBitsOfAPartlyFilledWord) {
    // "abc" followed by stray bits in the last word and a missing trailing word.
    EXPECT_EQ(hex(words_to_bytes(sha1_words({0x616263FFu}, 24))),
              "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex(words_to_bytes(sha1_words({}, 0))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(Sha1, PacksBytesBigEndianIntoWords) {
    EXPECT_EQ(bytes_to_words({0x01, 0x02, 0x03, 0x04, 0x05}), (Words{0x01020304u, 0x05000000u}));
    EXPECT_EQ(words_to_bytes({0x01020304u, 0xA0B0C0D0u}),
              (Bytes{0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0}));
    EXPECT_TRUE(bytes_to_words({}).empty());
}

}  // namespace
