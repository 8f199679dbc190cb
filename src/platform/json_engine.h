// JSON values for JsonDocument: a value model whose containers are shared between copies
// until one of them changes, a strict parser, and output as the script engine writes it.
// No text is ever run as script. Strings are held as UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

enum class JsonType { Undefined, Null, Boolean, Number, String, Array, Object };

// Deeper nesting, or longer text, fails the parse.
constexpr int kJsonMaxDepth = 512;
constexpr std::size_t kJsonMaxTextSize = 16u * 1024u * 1024u;
constexpr std::size_t kJsonMaxArrayGrowth = 65536;
// Values one parse may make: a value costs up to ~60 times its text ("{}," makes an
// object), so the text limit alone would let 8 MiB of answer take half a gigabyte.
// A page of 500 records makes about 10,000.
constexpr std::size_t kJsonMaxValues = 200000;

struct JsonArray;
struct JsonObject;

class JsonValue {
  public:
    JsonValue() = default;  // undefined
    static JsonValue null();
    static JsonValue boolean(bool value);
    static JsonValue number(double value);
    static JsonValue string(std::string utf8);
    static JsonValue array();
    static JsonValue array(std::vector<JsonValue> elements);
    static JsonValue object();

    JsonType type() const { return type_; }
    // Null or undefined: what the script engine compares equal to null.
    bool is_nullish() const { return type_ == JsonType::Undefined || type_ == JsonType::Null; }
    bool as_boolean() const { return type_ == JsonType::Boolean && boolean_; }
    double as_number() const { return type_ == JsonType::Number ? number_ : 0.0; }
    const std::string& as_string() const;

    // Elements of an array or members of an object (in the order they were added).
    std::size_t size() const;
    const std::vector<JsonValue>& elements() const;
    const std::vector<std::pair<std::string, JsonValue>>& members() const;
    // Undefined when out of range or not an array.
    const JsonValue& element(std::size_t index) const;
    // Null pointer when absent or not an object.
    const JsonValue* member(std::string_view name) const;

    // Changes: a container still shared with a copy is copied first (one level).
    // Null pointer when there is no such element or member.
    JsonValue* element_for_write(std::size_t index);
    JsonValue* member_for_write(std::string_view name);
    // Arrays: elements past the end are added as null up to the index (false when that
    // would mean more than kJsonMaxArrayGrowth of them, or for a value that is no array).
    bool set_element(std::size_t index, JsonValue value);
    void insert_element(std::size_t index, JsonValue value);
    void erase_element(std::size_t index);
    // Objects: a new name is added at the end, an existing one keeps its place.
    void set_member(std::string_view name, JsonValue value);
    bool erase_member(std::string_view name);

    // Levels of nested arrays and objects (0 for any other value).
    int depth() const;

  private:
    JsonArray& writable_array();
    JsonObject& writable_object();

    JsonType type_ = JsonType::Undefined;
    bool boolean_ = false;
    double number_ = 0.0;
    std::string string_;
    std::shared_ptr<JsonArray> array_;
    std::shared_ptr<JsonObject> object_;
};

struct JsonArray {
    std::vector<JsonValue> elements;
};

struct JsonObject {
    std::vector<std::pair<std::string, JsonValue>> members;
    // Position of each name, kept once an object has many members.
    std::unordered_map<std::string, std::size_t> index;

    std::size_t find(std::string_view name) const;  // members.size() when absent
    void set(std::string_view name, JsonValue value);
    bool erase(std::string_view name);
};

// Strict JSON text (RFC 8259) in UTF-8; nothing for anything else, for empty text,
// for nesting deeper than kJsonMaxDepth, for text over kJsonMaxTextSize and for more
// than kJsonMaxValues values.
std::optional<JsonValue> parse_json(std::string_view utf8);

// JSON text without whitespace, as JSON.stringify writes it; empty for undefined.
std::string stringify_json(const JsonValue& value);

// A number as the script engine writes it: shortest form that reads back (or rounded to
// `significant_digits`), 1e21, 0.1, -0 as 0.
std::string json_number_text(double value, int significant_digits = 0);

// The value as the script engine's toString() gives it ("[object Object]", arrays joined
// with commas); empty for null and undefined.
std::string json_value_string(const JsonValue& value);
