// HMAC-SHA1 against RFC 2202 and the key lengths around the 64-byte block.
#include "crypto/hmac_sha1.h"

#include <gtest/gtest.h>

#include "support/hex.h"

namespace {

Bytes filled(std::uint8_t value, std::size_t n) {
    return Bytes(n, value);
}

Bytes counting(std::uint8_t first, std::size_t n) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

struct HmacCase {
    const char* name;
    Bytes key;
    Bytes message;
    const char* digest;
};

TEST(HmacSha1, GivesPublishedAndReferenceDigests) {
    const HmacCase cases[] = {
        {"rfc2202 1", filled(0x0b, 20), text_to_bytes("Hi There"),
         "b617318655057264e28bc0b6fb378c8ef146be00"},
        {"rfc2202 2", text_to_bytes("Jefe"), text_to_bytes("what do ya want for nothing?"),
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {"rfc2202 3", filled(0xaa, 20), filled(0xdd, 50),
         "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {"rfc2202 4", counting(1, 25), filled(0xcd, 50),
         "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {"rfc2202 5", filled(0x0c, 20), text_to_bytes("Test With Truncation"),
         "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {"rfc2202 6", filled(0xaa, 80),
         text_to_bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {"rfc2202 7", filled(0xaa, 80),
         text_to_bytes("Test Using Larger Than Block-Size Key and Larger Than One "
                       "Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
        // Expected values from `openssl dgst -sha1 -mac HMAC -macopt hexkey:...`.
        {"64-byte key used as it is", counting(0, 64), text_to_bytes("message"),
         "437e7c82521bb99a2bebd62addf020eadacac8be"},
        {"65-byte key hashed first", counting(0, 65), text_to_bytes("message"),
         "56ec09225c6275397e8ffcc196036a53fb708542"},
        {"empty key", Bytes(), text_to_bytes("message"),
         "d5d1ed05121417247616cfc8378f360a39da7cfa"},
        {"empty key and message", Bytes(), Bytes(), "fbdb1d1b18aa6c08324b7d64b71fb76370690e1d"},
    };
    for (const HmacCase& c : cases) {
        EXPECT_EQ(hex(hmac_sha1(c.message, c.key)), c.digest) << c.name;
    }
}

}  // namespace
