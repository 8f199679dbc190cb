// The strict JSON parser (RFC 8259, UTF-8 in), with its depth and size limits.
#include "platform/json_engine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/utf8.h"

namespace {

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    std::optional<JsonValue> run() {
        if (s_.size() > kJsonMaxTextSize) {
            return std::nullopt;
        }
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") {
            pos_ = 3;
        }
        JsonValue value;
        skip_whitespace();
        if (!parse_value(value, 0)) {
            return std::nullopt;
        }
        skip_whitespace();
        if (pos_ != s_.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    bool at_end() const { return pos_ >= s_.size(); }
    char peek() const { return s_[pos_]; }

    void skip_whitespace() {
        while (!at_end() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
            ++pos_;
        }
    }

    bool literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) {
            return false;
        }
        pos_ += word.size();
        return true;
    }

    bool parse_value(JsonValue& out, int depth) {
        if (at_end() || ++values_ > kJsonMaxValues) {
            return false;
        }
        switch (peek()) {
            case '{':
                return parse_object(out, depth + 1);
            case '[':
                return parse_array(out, depth + 1);
            case '"': {
                std::string text;
                if (!parse_string(text)) {
                    return false;
                }
                out = JsonValue::string(std::move(text));
                return true;
            }
            case 't':
                out = JsonValue::boolean(true);
                return literal("true");
            case 'f':
                out = JsonValue::boolean(false);
                return literal("false");
            case 'n':
                out = JsonValue::null();
                return literal("null");
            default:
                return parse_number(out);
        }
    }

    bool parse_array(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth) {
            return false;
        }
        ++pos_;
        std::vector<JsonValue> elements;
        skip_whitespace();
        if (!at_end() && peek() == ']') {
            ++pos_;
            out = JsonValue::array();
            return true;
        }
        for (;;) {
            skip_whitespace();
            JsonValue element;
            if (!parse_value(element, depth)) {
                return false;
            }
            elements.push_back(std::move(element));
            ListStep step = after_item(']');
            if (step == ListStep::Error) {
                return false;
            }
            if (step == ListStep::Closed) {
                break;
            }
        }
        out = JsonValue::array(std::move(elements));
        return true;
    }

    enum class ListStep { Next, Closed, Error };

    // After an element or member: a comma goes on to the next, `close` ends the list.
    ListStep after_item(char close) {
        skip_whitespace();
        if (at_end()) {
            return ListStep::Error;
        }
        char c = peek();
        if (c != ',' && c != close) {
            return ListStep::Error;
        }
        ++pos_;
        return c == ',' ? ListStep::Next : ListStep::Closed;
    }

    bool parse_object(JsonValue& out, int depth) {
        if (depth > kJsonMaxDepth) {
            return false;
        }
        ++pos_;
        out = JsonValue::object();
        skip_whitespace();
        if (!at_end() && peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            skip_whitespace();
            std::string name;
            if (at_end() || peek() != '"' || !parse_string(name)) {
                return false;
            }
            skip_whitespace();
            if (at_end() || peek() != ':') {
                return false;
            }
            ++pos_;
            skip_whitespace();
            JsonValue value;
            if (!parse_value(value, depth)) {
                return false;
            }
            out.set_member(name, std::move(value));
            ListStep step = after_item('}');
            if (step != ListStep::Next) {
                return step == ListStep::Closed;
            }
        }
    }

    bool hex4(std::uint32_t& value) {
        if (pos_ + 4 > s_.size()) {
            return false;
        }
        auto result = std::from_chars(s_.data() + pos_, s_.data() + pos_ + 4, value, 16);
        if (result.ec != std::errc() || result.ptr != s_.data() + pos_ + 4) {
            return false;
        }
        pos_ += 4;
        return true;
    }

    bool parse_escape(std::string& out) {
        ++pos_;  // the backslash
        if (at_end()) {
            return false;
        }
        char c = s_[pos_++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out.push_back(c);
                return true;
            case 'b':
                out.push_back('\b');
                return true;
            case 'f':
                out.push_back('\f');
                return true;
            case 'n':
                out.push_back('\n');
                return true;
            case 'r':
                out.push_back('\r');
                return true;
            case 't':
                out.push_back('\t');
                return true;
            case 'u':
                break;
            default:
                return false;
        }
        std::uint32_t cp = 0;
        if (!hex4(cp)) {
            return false;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
            std::size_t saved = pos_;
            pos_ += 2;
            std::uint32_t low = 0;
            if (!hex4(low)) {
                return false;
            }
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
                pos_ = saved;
            }
        }
        // UTF-8 cannot hold a lone surrogate.
        append_utf8(out, cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp);
        return true;
    }

    bool parse_string(std::string& out) {
        ++pos_;  // the opening quote
        for (;;) {
            std::size_t run = pos_;
            while (!at_end()) {
                unsigned char c = static_cast<unsigned char>(peek());
                if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) {
                    break;
                }
                ++pos_;
            }
            out.append(s_.data() + run, pos_ - run);
            if (at_end()) {
                return false;
            }
            unsigned char c = static_cast<unsigned char>(peek());
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c == '\\') {
                if (!parse_escape(out)) {
                    return false;
                }
            } else if (c < 0x20) {
                return false;
            } else {
                std::uint32_t cp = 0;
                std::size_t length = decode_utf8(s_, pos_, cp);
                if (length == 0) {
                    return false;
                }
                out.append(s_.data() + pos_, length);
                pos_ += length;
            }
        }
    }

    std::size_t digits() {
        std::size_t start = pos_;
        while (!at_end() && peek() >= '0' && peek() <= '9') {
            ++pos_;
        }
        return pos_ - start;
    }

    bool parse_number(JsonValue& out) {
        const std::size_t start = pos_;
        if (!at_end() && peek() == '-') {
            ++pos_;
        }
        const std::size_t integer_start = pos_;
        const std::size_t integer_digits = digits();
        if (integer_digits == 0 || (integer_digits > 1 && s_[integer_start] == '0')) {
            return false;
        }
        if (!at_end() && peek() == '.') {
            ++pos_;
            if (digits() == 0) {
                return false;
            }
        }
        if (!at_end() && (peek() == 'e' || peek() == 'E')) {
            ++pos_;
            if (!at_end() && (peek() == '+' || peek() == '-')) {
                ++pos_;
            }
            if (digits() == 0) {
                return false;
            }
        }
        double value = 0.0;
        auto result = std::from_chars(s_.data() + start, s_.data() + pos_, value);
        if (result.ec == std::errc::result_out_of_range) {
            value = out_of_range_value(s_.substr(start, pos_ - start));
        } else if (result.ec != std::errc() || result.ptr != s_.data() + pos_) {
            return false;
        }
        out = JsonValue::number(value);
        return true;
    }

    // A number too large or too small for a double reads as infinity or zero.
    static double out_of_range_value(std::string_view text) {
        constexpr long long kHugeExponent = 1000000000000LL;
        const bool negative = text.front() == '-';
        long long magnitude = 0;  // decimal exponent of the first significant digit
        std::size_t i = negative ? 1 : 0;
        bool seen_digit = false;
        bool fraction = false;
        for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
            if (text[i] == '.') {
                fraction = true;
            } else if (!seen_digit && text[i] == '0') {
                magnitude -= fraction ? 1 : 0;
            } else if (!seen_digit) {
                seen_digit = true;
                if (fraction) {
                    --magnitude;
                }
            } else if (!fraction) {
                ++magnitude;
            }
        }
        if (i < text.size()) {
            long long exponent = std::strtoll(std::string(text.substr(i + 1)).c_str(), nullptr, 10);
            magnitude += std::clamp(exponent, -kHugeExponent, kHugeExponent);
        }
        double value = magnitude > 0 ? HUGE_VAL : 0.0;
        return negative ? -value : value;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    std::size_t values_ = 0;
};

}  // namespace

std::optional<JsonValue> parse_json(std::string_view utf8) {
    return Parser(utf8).run();
}
