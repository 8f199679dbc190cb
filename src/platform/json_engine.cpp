// JSON value model, strict parser and stringify.
#include "platform/json_engine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t kIndexedObjectSize = 16;

const std::string kEmptyString;
const std::vector<JsonValue> kNoElements;
const std::vector<std::pair<std::string, JsonValue>> kNoMembers;
const JsonValue kUndefined;

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at `at` and its code point; 0 when ill-formed.
std::size_t decode_utf8(std::string_view s, std::size_t at, std::uint32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > s.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char c = byte(at + i);
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    return length;
}

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
        if (at_end()) {
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
};

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

JsonValue JsonValue::null() {
    JsonValue value;
    value.type_ = JsonType::Null;
    return value;
}

JsonValue JsonValue::boolean(bool b) {
    JsonValue value;
    value.type_ = JsonType::Boolean;
    value.boolean_ = b;
    return value;
}

JsonValue JsonValue::number(double n) {
    JsonValue value;
    value.type_ = JsonType::Number;
    value.number_ = n;
    return value;
}

JsonValue JsonValue::string(std::string utf8) {
    JsonValue value;
    value.type_ = JsonType::String;
    value.string_ = std::move(utf8);
    return value;
}

JsonValue JsonValue::array() {
    JsonValue value;
    value.type_ = JsonType::Array;
    value.array_ = std::make_shared<JsonArray>();
    return value;
}

JsonValue JsonValue::array(std::vector<JsonValue> elements) {
    JsonValue value = array();
    value.array_->elements = std::move(elements);
    return value;
}

JsonValue JsonValue::object() {
    JsonValue value;
    value.type_ = JsonType::Object;
    value.object_ = std::make_shared<JsonObject>();
    return value;
}

const std::string& JsonValue::as_string() const {
    return type_ == JsonType::String ? string_ : kEmptyString;
}

std::size_t JsonValue::size() const {
    if (type_ == JsonType::Array) {
        return array_->elements.size();
    }
    return type_ == JsonType::Object ? object_->members.size() : 0;
}

const std::vector<JsonValue>& JsonValue::elements() const {
    return type_ == JsonType::Array ? array_->elements : kNoElements;
}

const std::vector<std::pair<std::string, JsonValue>>& JsonValue::members() const {
    return type_ == JsonType::Object ? object_->members : kNoMembers;
}

const JsonValue& JsonValue::element(std::size_t index) const {
    if (type_ != JsonType::Array || index >= array_->elements.size()) {
        return kUndefined;
    }
    return array_->elements[index];
}

const JsonValue* JsonValue::member(std::string_view name) const {
    if (type_ != JsonType::Object) {
        return nullptr;
    }
    std::size_t at = object_->find(name);
    return at < object_->members.size() ? &object_->members[at].second : nullptr;
}

JsonArray& JsonValue::writable_array() {
    if (array_.use_count() > 1) {
        array_ = std::make_shared<JsonArray>(*array_);
    }
    return *array_;
}

JsonObject& JsonValue::writable_object() {
    if (object_.use_count() > 1) {
        object_ = std::make_shared<JsonObject>(*object_);
    }
    return *object_;
}

JsonValue* JsonValue::element_for_write(std::size_t index) {
    if (type_ != JsonType::Array || index >= array_->elements.size()) {
        return nullptr;
    }
    return &writable_array().elements[index];
}

JsonValue* JsonValue::member_for_write(std::string_view name) {
    if (type_ != JsonType::Object) {
        return nullptr;
    }
    std::size_t at = object_->find(name);
    if (at >= object_->members.size()) {
        return nullptr;
    }
    return &writable_object().members[at].second;
}

bool JsonValue::set_element(std::size_t index, JsonValue value) {
    if (type_ != JsonType::Array || (index >= array_->elements.size() &&
                                     index - array_->elements.size() >= kJsonMaxArrayGrowth)) {
        return false;
    }
    std::vector<JsonValue>& elements = writable_array().elements;
    if (index >= elements.size()) {
        elements.resize(index + 1, JsonValue::null());
    }
    elements[index] = std::move(value);
    return true;
}

void JsonValue::insert_element(std::size_t index, JsonValue value) {
    if (type_ != JsonType::Array) {
        return;
    }
    std::vector<JsonValue>& elements = writable_array().elements;
    if (index > elements.size()) {
        index = elements.size();
    }
    elements.insert(elements.begin() + static_cast<std::ptrdiff_t>(index), std::move(value));
}

void JsonValue::erase_element(std::size_t index) {
    if (type_ != JsonType::Array || index >= array_->elements.size()) {
        return;
    }
    std::vector<JsonValue>& elements = writable_array().elements;
    elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(index));
}

void JsonValue::set_member(std::string_view name, JsonValue value) {
    if (type_ == JsonType::Object) {
        writable_object().set(name, std::move(value));
    }
}

bool JsonValue::erase_member(std::string_view name) {
    if (type_ != JsonType::Object || object_->find(name) >= object_->members.size()) {
        return false;
    }
    return writable_object().erase(name);
}

int JsonValue::depth() const {
    int deepest = 0;
    if (type_ == JsonType::Array) {
        for (const JsonValue& element : array_->elements) {
            deepest = std::max(deepest, element.depth());
        }
        return deepest + 1;
    }
    if (type_ == JsonType::Object) {
        for (const auto& member : object_->members) {
            deepest = std::max(deepest, member.second.depth());
        }
        return deepest + 1;
    }
    return 0;
}

std::size_t JsonObject::find(std::string_view name) const {
    if (!index.empty()) {
        auto it = index.find(std::string(name));
        return it == index.end() ? members.size() : it->second;
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i].first == name) {
            return i;
        }
    }
    return members.size();
}

void JsonObject::set(std::string_view name, JsonValue value) {
    std::size_t at = find(name);
    if (at < members.size()) {
        members[at].second = std::move(value);
        return;
    }
    members.emplace_back(std::string(name), std::move(value));
    if (!index.empty()) {
        index.emplace(members.back().first, at);
    } else if (members.size() >= kIndexedObjectSize) {
        for (std::size_t i = 0; i < members.size(); ++i) {
            index.emplace(members[i].first, i);
        }
    }
}

bool JsonObject::erase(std::string_view name) {
    std::size_t at = find(name);
    if (at >= members.size()) {
        return false;
    }
    members.erase(members.begin() + static_cast<std::ptrdiff_t>(at));
    index.clear();
    if (members.size() >= kIndexedObjectSize) {
        for (std::size_t i = 0; i < members.size(); ++i) {
            index.emplace(members[i].first, i);
        }
    }
    return true;
}

std::optional<JsonValue> parse_json(std::string_view utf8) {
    return Parser(utf8).run();
}

std::string stringify_json(const JsonValue& value) {
    if (value.type() == JsonType::Undefined) {
        return std::string();
    }
    std::string out;
    append_json(out, value);
    return out;
}

std::string json_number_text(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    if (value == 0) {
        return "0";
    }
    // Shortest digits that read back, then laid out as the script engine does.
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
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
