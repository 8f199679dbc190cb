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

// One converter per direction and thread, opened at first use and reused: opening one
// costs far more than most conversions.
class ConverterCache {
  public:
    ~ConverterCache() {
        for (const Entry& entry : entries_) {
            iconv_close(entry.cd);
        }
    }
    iconv_t get(const char* from, const char* to) {
        for (const Entry& entry : entries_) {
            if (entry.from == from && entry.to == to) {
                iconv(entry.cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
                return entry.cd;
            }
        }
        iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            entries_.push_back({from, to, cd});
        }
        return cd;
    }

  private:
    struct Entry {
        const char* from;
        const char* to;
        iconv_t cd;
    };
    std::vector<Entry> entries_;
};

ConverterCache& converters() {
    thread_local ConverterCache cache;
    return cache;
}

// Converts with iconv straight into the result; a byte the source cannot be read at is
// replaced by `replacement` (already in the target encoding) and skipped.
std::string convert(const char* from, const char* to, const std::string& input, std::size_t unit,
                    const std::string& replacement) {
    iconv_t cd = converters().get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string();
    }
    // UTF-16 takes at most two bytes per input byte here; other targets grow on demand.
    std::string output(input.size() * 2 + 16, '\0');
    std::size_t written = 0;
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    auto run = [&](char** source, std::size_t* source_left) {
        char* out = output.data() + written;
        std::size_t out_left = output.size() - written;
        std::size_t rc = iconv(cd, source, source_left, &out, &out_left);
        written = output.size() - out_left;
        return rc;
    };
    while (in_left > 0) {
        if (run(&in, &in_left) != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (truncated sequence at the end): skip one character.
        output.replace(written, replacement.size(), replacement);
        written += replacement.size();
        if (output.size() < written + 16) {
            output.resize(output.size() * 2 + 16);
        }
        std::size_t skip = in_left < unit ? in_left : unit;
        if (unit == 2 && in_left >= 4 && is_surrogate_pair(in)) {
            skip = 4;
        }
        in += skip;
        in_left -= skip;
    }
    run(nullptr, nullptr);
    output.resize(written);
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

MappedUtf8 gbk_to_mapped_utf8(const Text& gbk) {
    MappedUtf8 mapped;
    mapped.utf8.reserve(gbk.size() + gbk.size() / 2);
    mapped.gbk_offset.reserve(gbk.size() + gbk.size() / 2 + 1);
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t before = mapped.utf8.size();
        unsigned char byte = static_cast<unsigned char>(gbk[i]);
        std::size_t size = 1;
        if (byte < 0x80) {
            mapped.utf8.push_back(static_cast<char>(byte));
        } else {
            size = is_gbk_lead_byte(byte) && i + 1 < gbk.size() ? 2 : 1;
            char buffer[8];
            char* in = const_cast<char*>(gbk.data() + i);
            std::size_t in_left = size;
            char* out = buffer;
            std::size_t out_left = sizeof buffer;
            if (cd == reinterpret_cast<iconv_t>(-1)) {
                cd = converters().get("CP936", "UTF-8");
            }
            if (cd != reinterpret_cast<iconv_t>(-1) &&
                iconv(cd, &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1) &&
                in_left == 0) {
                mapped.utf8.append(buffer, sizeof buffer - out_left);
            } else {
                mapped.utf8.append("\xEF\xBF\xBD");  // U+FFFD
                if (cd != reinterpret_cast<iconv_t>(-1)) {
                    iconv(cd, nullptr, nullptr, nullptr, nullptr);
                }
            }
        }
        mapped.gbk_offset.insert(mapped.gbk_offset.end(), mapped.utf8.size() - before,
                                 static_cast<int>(i));
        i += size;
    }
    mapped.gbk_offset.push_back(static_cast<int>(gbk.size()));
    return mapped;
}
