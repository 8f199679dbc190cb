// Code-page conversion over iconv.
#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <vector>

namespace {

const char* iconv_name(int code_page) {
    switch (code_page) {
        case kCodePageAnsi:
        case kCodePageGbk:
            return "CP936";
        case kCodePageUtf8:
            return "UTF-8";
        default:
            return nullptr;
    }
}

// A UTF-16LE high surrogate followed by a low one: one character.
bool is_surrogate_pair(const char* p) {
    unsigned high = static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
    unsigned low = static_cast<unsigned char>(p[2]) | (static_cast<unsigned char>(p[3]) << 8);
    return high >= 0xD800 && high <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF;
}

// Converts with iconv; a byte the source cannot be read at is replaced by
// `replacement` (already in the target encoding) and skipped.
std::string convert(const char* from, const char* to, const std::string& input, std::size_t unit,
                    const std::string& replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string();
    }
    std::string output;
    std::vector<char> buffer(4096);
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    while (in_left > 0) {
        char* out = buffer.data();
        std::size_t out_left = buffer.size();
        std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
        output.append(buffer.data(), buffer.size() - out_left);
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL (truncated sequence at the end): skip one character.
            output += replacement;
            std::size_t skip = in_left < unit ? in_left : unit;
            if (unit == 2 && in_left >= 4 && is_surrogate_pair(in)) {
                skip = 4;
            }
            in += skip;
            in_left -= skip;
        }
    }
    char* out = buffer.data();
    std::size_t out_left = buffer.size();
    iconv(cd, nullptr, nullptr, &out, &out_left);
    output.append(buffer.data(), buffer.size() - out_left);
    iconv_close(cd);
    return output;
}

}  // namespace

WideText multibyte_to_wide(int code_page, const Text& text) {
    const char* name = iconv_name(code_page);
    if (name == nullptr || text.empty()) {
        return WideText();
    }
    static const std::string kReplacement("\xFD\xFF", 2);  // U+FFFD little-endian
    std::string raw = convert(name, "UTF-16LE", text, 1, kReplacement);
    WideText wide;
    wide.reserve(raw.size() / 2);
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                             (static_cast<unsigned char>(raw[i + 1]) << 8)));
    }
    return wide;
}

Text wide_to_multibyte(int code_page, const WideText& wide) {
    const char* name = iconv_name(code_page);
    if (name == nullptr || wide.empty()) {
        return Text();
    }
    std::string raw;
    raw.reserve(wide.size() * 2);
    for (char16_t unit : wide) {
        raw.push_back(static_cast<char>(unit & 0xFF));
        raw.push_back(static_cast<char>(unit >> 8));
    }
    return convert("UTF-16LE", name, raw, 2, "?");
}

Text gbk_to_utf8_text(const Text& gbk) {
    return wide_to_multibyte(kCodePageUtf8, multibyte_to_wide(kCodePageGbk, gbk));
}

Text utf8_to_gbk_text(const Text& utf8) {
    return wide_to_multibyte(kCodePageGbk, multibyte_to_wide(kCodePageUtf8, utf8));
}
