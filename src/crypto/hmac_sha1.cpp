// HMAC-SHA1 over the block-sized key pads.
#include "crypto/hmac_sha1.h"

#include "crypto/sha1.h"

namespace {

constexpr std::size_t kBlockBytes = 64;
constexpr std::size_t kBlockWords = kBlockBytes / 4;

}  // namespace

Bytes hmac_sha1(const Bytes& message, const Bytes& key) {
    Words key_words = bytes_to_words(key.size() > kBlockBytes ? sha1(key) : key);
    key_words.resize(kBlockWords, 0);

    Words inner_pad(kBlockWords);
    Words outer_pad(kBlockWords);
    for (std::size_t i = 0; i < kBlockWords; ++i) {
        inner_pad[i] = key_words[i] ^ 0x36363636u;
        outer_pad[i] = key_words[i] ^ 0x5C5C5C5Cu;
    }

    Sha1Hasher inner;
    inner.add(words_to_bytes(inner_pad));
    inner.add(message);
    const Bytes inner_digest = inner.finish();

    Sha1Hasher outer;
    outer.add(words_to_bytes(outer_pad));
    outer.add(inner_digest);
    return outer.finish();
}
