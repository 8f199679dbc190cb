// Base64 against RFC 4648 and the characters 62 and 63 of the alphabet.
#include "crypto/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, EncodesRfc4648Examples) {
    const struct {
        const char* input;
        const char* output;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(base64_encode(text_to_bytes(c.input)), c.output) << c.input;
    }
}

TEST(Base64, KeepsPlusAndSlashAndEncodesEveryByteValue) {
    EXPECT_EQ(base64_encode({0xFB, 0xFF}), "+/8=");
    EXPECT_EQ(
        base64_encode({0x00, 0x10, 0x83, 0x10, 0x51, 0x87, 0x20, 0x92, 0x8B, 0x30, 0xD3, 0x8F,
                       0x41, 0x14, 0x93, 0x51, 0x55, 0x97, 0x61, 0x96, 0x9B, 0x71, 0xD7, 0x9F,
                       0x82, 0x18, 0xA3, 0x92, 0x59, 0xA7, 0xA2, 0x9A, 0xAB, 0xB2, 0xDB, 0xAF,
                       0xC3, 0x1C, 0xB3, 0xD3, 0x5D, 0xB7, 0xE3, 0x9E, 0xBB, 0xF3, 0xDF, 0xBF}),
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

TEST(Base64, WritesADigestIn28CharactersEndingWithPad) {
    Text encoded = base64_encode(Bytes(20, 0xA5));
    EXPECT_EQ(encoded, "paWlpaWlpaWlpaWlpaWlpaWlpaU=");
    EXPECT_EQ(encoded.size(), 28u);
}

}  // namespace
