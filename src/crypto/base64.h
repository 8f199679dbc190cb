// Base64 (RFC 4648, standard alphabet, padded, one line): how the signature is written.
#pragma once

#include "base/text.h"

// 4 * ceil(n / 3) characters; the empty input gives the empty text.
Text base64_encode(const Bytes& bytes);
