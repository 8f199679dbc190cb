// Form decoding and RFC 3986 encoding for the fake endpoint.
#include "support/form_codec.h"

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string decode_component(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
                   hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            // A stray "%" is kept as it stands rather than failing the whole request.
            out += c;
        }
    }
    return sanitize_utf8(out);
}

// Length of the valid UTF-8 sequence starting at `i`, 0 when it is invalid.
size_t utf8_sequence_length(std::string_view s, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string sanitize_utf8(std::string_view bytes) {
    std::string out;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t length = utf8_sequence_length(bytes, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

FormParams decode_form(std::string_view text) {
    FormParams params;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view piece = text.substr(start, end - start);
        if (!piece.empty()) {
            size_t equals = piece.find('=');
            if (equals == std::string_view::npos) {
                params.emplace_back(decode_component(piece), std::string());
            } else {
                params.emplace_back(decode_component(piece.substr(0, equals)),
                                    decode_component(piece.substr(equals + 1)));
            }
        }
        start = end + 1;
    }
    return params;
}

std::string rfc3986_encode(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                          (b >= '0' && b <= '9') || b == '-' || b == '_' || b == '.' || b == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

std::string encode_form(const FormParams& params) {
    std::string out;
    for (const auto& [name, value] : params) {
        if (!out.empty()) {
            out += '&';
        }
        out += rfc3986_encode(name) + '=' + rfc3986_encode(value);
    }
    return out;
}

const std::string* find_param(const FormParams& params, std::string_view name) {
    for (const auto& param : params) {
        if (param.first == name) {
            return &param.second;
        }
    }
    return nullptr;
}
