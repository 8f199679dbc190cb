// A small JSON text writer for the answers of the fake endpoint: compact
// output, UTF-8 strings written as they are (only quotes, backslashes and
// control characters escaped).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
  public:
    JsonWriter& begin_object();
    JsonWriter& end_object();
    JsonWriter& begin_array();
    JsonWriter& end_array();
    // Names the next member of the current object.
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view value);
    JsonWriter& number(std::int64_t value);
    JsonWriter& boolean(bool value);

    // key(name) followed by the value.
    JsonWriter& member(std::string_view name, std::string_view value);
    JsonWriter& member(std::string_view name, const char* value);
    JsonWriter& member(std::string_view name, std::int64_t value);
    JsonWriter& member(std::string_view name, int value);
    JsonWriter& member(std::string_view name, bool value);

    const std::string& text() const { return text_; }

  private:
    void before_value();

    std::string text_;
    // One entry per open container: true once it holds an element.
    std::vector<bool> has_element_;
    bool after_key_ = false;
};
