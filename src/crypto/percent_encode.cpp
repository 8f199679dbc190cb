// Percent-encoding byte by byte.
#include "crypto/percent_encode.h"

#include "crypto/code_page_steps.h"

namespace {

// RFC 3986's unreserved set: the service canonicalises with it, "_" and "~" included.
bool is_unreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

}  // namespace

Text percent_encode(const Text& text, bool keep_unreserved, bool as_utf8) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    if (text.empty()) {
        return Text();
    }
    const Text bytes = as_utf8 ? gbk_to_utf8(text) : text;
    Text out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (keep_unreserved && is_unreserved(byte)) {
            out += static_cast<char>(byte);
        } else {
            out += '%';
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 15];
        }
    }
    return out;
}
