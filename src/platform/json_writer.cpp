// JSON text from values, as JavaScript writes it: stringify, numbers, toString().
#include "platform/json_engine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/utf8.h"

namespace {

void append_quoted(std::string& out, const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    const auto escape_u = [&](std::uint32_t cp) {
        out += "\\u";
        out.push_back(kHex[(cp >> 12) & 0xF]);
        out.push_back(kHex[(cp >> 8) & 0xF]);
        out.push_back(kHex[(cp >> 4) & 0xF]);
        out.push_back(kHex[cp & 0xF]);
    };
    out.push_back('"');
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            std::uint32_t cp = 0;
            std::size_t length = decode_utf8(text, i, cp);
            if (length == 0) {
                escape_u(0xFFFD);
                ++i;
                continue;
            }
            const bool escaped = (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD ||
                                 (cp >= 0x600 && cp <= 0x604) || cp == 0x70F || cp == 0x17B4 ||
                                 cp == 0x17B5 || (cp >= 0x200C && cp <= 0x200F) ||
                                 (cp >= 0x2028 && cp <= 0x202F) || (cp >= 0x2060 && cp <= 0x206F) ||
                                 cp == 0xFEFF || (cp >= 0xFFF0 && cp <= 0xFFFF);
            if (escaped) {
                escape_u(cp);
            } else {
                out.append(text, i, length);
            }
            i += length;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    escape_u(c);
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
        ++i;
    }
    out.push_back('"');
}

void append_json(std::string& out, const JsonValue& value) {
    switch (value.type()) {
        case JsonType::Undefined:
        case JsonType::Null:
            out += "null";
            break;
        case JsonType::Boolean:
            out += value.as_boolean() ? "true" : "false";
            break;
        case JsonType::Number:
            out += std::isfinite(value.as_number()) ? json_number_text(value.as_number()) : "null";
            break;
        case JsonType::String:
            append_quoted(out, value.as_string());
            break;
        case JsonType::Array: {
            out.push_back('[');
            bool first = true;
            for (const JsonValue& element : value.elements()) {
                if (!first) {
                    out.push_back(',');
                }
                first = false;
                append_json(out, element);
            }
            out.push_back(']');
            break;
        }
        case JsonType::Object: {
            out.push_back('{');
            bool first = true;
            for (const auto& [name, member] : value.members()) {
                if (member.type() == JsonType::Undefined) {
                    continue;
                }
                if (!first) {
                    out.push_back(',');
                }
                first = false;
                append_quoted(out, name);
                out.push_back(':');
                append_json(out, member);
            }
            out.push_back('}');
            break;
        }
    }
}

}  // namespace

std::string stringify_json(const JsonValue& value) {
    if (value.type() == JsonType::Undefined) {
        return std::string();
    }
    std::string out;
    append_json(out, value);
    return out;
}

std::string json_number_text(double value, int significant_digits) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    if (value == 0) {
        return "0";
    }
    // The shortest digits that read back (or as many as asked for), then laid out as the
    // script engine's Number::toString does: value = 0.digits * 10^n.
    char buffer[64];
    auto result =
        significant_digits > 0
            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                            significant_digits - 1)
            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    std::string out;
    if (scientific.front() == '-') {
        out.push_back('-');
        scientific.remove_prefix(1);
    }
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e)) {
        if (c != '.') {
            digits.push_back(c);
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int k = static_cast<int>(digits.size());
    const int n = std::atoi(std::string(scientific.substr(e + 1)).c_str()) + 1;
    if (k <= n && n <= 21) {
        out += digits;
        out.append(static_cast<std::size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, static_cast<std::size_t>(n));
        out.push_back('.');
        out += digits.substr(static_cast<std::size_t>(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits;
    } else {
        out.push_back(digits[0]);
        if (k > 1) {
            out.push_back('.');
            out += digits.substr(1);
        }
        out.push_back('e');
        out.push_back(n - 1 >= 0 ? '+' : '-');
        out += std::to_string(std::abs(n - 1));
    }
    return out;
}

std::string json_value_string(const JsonValue& value) {
    switch (value.type()) {
        case JsonType::Undefined:
        case JsonType::Null:
            return std::string();
        case JsonType::Boolean:
            return value.as_boolean() ? "true" : "false";
        case JsonType::Number:
            return json_number_text(value.as_number());
        case JsonType::String:
            return value.as_string();
        case JsonType::Object:
            return "[object Object]";
        case JsonType::Array: {
            std::string out;
            bool first = true;
            for (const JsonValue& element : value.elements()) {
                if (!first) {
                    out.push_back(',');
                }
                first = false;
                out += json_value_string(element);
            }
            return out;
        }
    }
    return std::string();
}
