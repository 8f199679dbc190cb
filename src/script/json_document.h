// JsonDocument: one JSON value answered by path ("", "Domains.Domain", "a.b[2].c");
// the DNS listings read the service's answers with it. Texts in and out are GBK.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/json_engine.h"

// What value_type reports.
enum JsonValueType : int {
    kJsonTypeNone = 0,  // missing, null or undefined
    kJsonTypeBoolean = 1,
    kJsonTypeNumber = 2,
    kJsonTypeObject = 4,
    kJsonTypeArray = 5,
    kJsonTypeString = 6,
    kJsonTypeOther = -1,
};

class JsonDocument {
  public:
    // An empty object.
    JsonDocument();
    explicit JsonDocument(JsonValue value);
    ~JsonDocument() = default;
    // Copies never share changes: containers are shared only until one side writes.
    JsonDocument(const JsonDocument&) = default;
    JsonDocument& operator=(const JsonDocument&) = default;
    JsonDocument copy() const { return *this; }

    // Back to an empty object.
    void init_engine();
    // The setters below return true when they stored their value (whatever the value is).
    // True when the text is JSON for a value other than null. Invalid text leaves null,
    // empty text leaves undefined (null with `literal`).
    bool parse(const Text& json, bool literal = false);
    bool clear();
    Text to_json() const;
    // Stores the value as a string (each backslash held as U+2400), or as parsed JSON; an
    // existing object is merged with a JSON object given for it.
    bool set_value(const Text& path, const Text& value, bool is_json = false);
    // The expression must be JSON: no script is run.
    bool set_expression(const Text& path, const Text& expression);
    // Makes the path absolute ("da", "da.x", "da[0]"); true when it names a non-null value.
    bool resolve_path(Text& path) const;
    bool exists(const Text& path) const;
    int value_type(const Text& path) const;
    Text get_text(const Text& path, bool as_json = false) const;
    int member_names(TextArray& names, const Text& path = Text()) const;
    // Length of an array, 0 for anything else.
    int count(const Text& path = Text()) const;
    JsonDocument get_object(const Text& path) const;
    bool add_item(const Text& value, const Text& path = Text(), bool is_json = false,
                  bool at_front = false);
    JsonDocument get_item_object(int index, const Text& path = Text()) const;
    Text get_item_text(int index, const Text& path = Text(), bool as_json = false) const;
    bool set_item(int index, const Text& path, const Text& value, bool is_json = false);
    bool remove_item(int index, const Text& path = Text());
    bool remove(const Text& path);
    bool set_number(const Text& path, double number);
    double get_number(const Text& path) const;
    // JSON text of the value (a string in double quotes); empty when nothing is there.
    Text get_json(const Text& path = Text()) const;
    // The document's value; shares its containers until either side changes.
    JsonValue engine() const { return value_; }
    // String, number and boolean members (or elements) in order, descending into
    // objects and arrays only when `recursive`.
    int all_values(TextArray& values, const Text& path = Text(), bool recursive = false) const;

    // Beyond the operations above: parse for UTF-8 text as it comes from the network.
    bool parse_utf8(std::string_view json, bool literal = false);

  private:
    struct Step {
        bool is_index = false;
        std::string name;  // UTF-8
        std::size_t index = 0;
    };
    using Steps = std::vector<Step>;

    static std::optional<Steps> to_steps(std::string_view text);
    std::optional<Steps> absolute_steps(const std::string& utf8) const;
    std::optional<Steps> resolve(const Text& path) const;
    const JsonValue* lookup(const Steps& steps) const;
    // The value at `path` (GBK, relative or absolute), or null: the reading operations'
    // one way in.
    const JsonValue* find(const Text& path) const;
    JsonValue* lookup_for_write(const Steps& steps, std::size_t count);
    bool assign(const Steps& steps, JsonValue value);

    JsonValue value_;
};
