// HMAC-SHA1 (RFC 2104): the keyed digest that signs every DNS API request.
#pragma once

#include "base/text.h"

// 20 bytes. A key longer than the 64-byte block is replaced by its own digest first.
Bytes hmac_sha1(const Bytes& message, const Bytes& key);
