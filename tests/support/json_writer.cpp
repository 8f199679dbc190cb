// A compact JSON writer for the fake endpoint's answers.
#include "support/json_writer.h"

#include <cstdio>

namespace {

void append_quoted(std::string& out, std::string_view value) {
    out += '"';
    for (char c : value) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

}  // namespace

void JsonWriter::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!has_element_.empty()) {
        if (has_element_.back()) {
            text_ += ',';
        }
        has_element_.back() = true;
    }
}

JsonWriter& JsonWriter::begin_object() {
    before_value();
    text_ += '{';
    has_element_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::end_object() {
    text_ += '}';
    has_element_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::begin_array() {
    before_value();
    text_ += '[';
    has_element_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::end_array() {
    text_ += ']';
    has_element_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    before_value();
    append_quoted(text_, name);
    text_ += ':';
    after_key_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view value) {
    before_value();
    append_quoted(text_, value);
    return *this;
}

JsonWriter& JsonWriter::number(std::int64_t value) {
    before_value();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    before_value();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::member(std::string_view name, std::string_view value) {
    return key(name).string(value);
}

JsonWriter& JsonWriter::member(std::string_view name, const char* value) {
    return key(name).string(value);
}

JsonWriter& JsonWriter::member(std::string_view name, std::int64_t value) {
    return key(name).number(value);
}

JsonWriter& JsonWriter::member(std::string_view name, int value) {
    return key(name).number(value);
}

JsonWriter& JsonWriter::member(std::string_view name, bool value) {
    return key(name).boolean(value);
}
