// JsonDocument over the JSON value model. Paths and values are converted between GBK and
// the model's UTF-8 at this boundary; U+2400 stands for a backslash stored by set_value.
#include "script/json_document.h"

#include <charconv>

#include "platform/codepage.h"

namespace {

const char kRootName[] = "da";
const char kBackslashStandIn[] = "\xE2\x90\x80";  // U+2400 in UTF-8
const JsonValue kNothing;

std::string to_utf8(const Text& gbk) {
    return is_ascii_text(gbk) ? gbk : gbk_to_utf8_text(gbk);
}

// Text handed back to callers: the backslash stand-in becomes a backslash again.
Text output_text(std::string utf8) {
    if (utf8.find(kBackslashStandIn) != std::string::npos) {
        std::string plain;
        plain.reserve(utf8.size());
        for (std::size_t at = 0; at < utf8.size();) {
            if (utf8.compare(at, 3, kBackslashStandIn) == 0) {
                plain.push_back('\\');
                at += 3;
            } else {
                plain.push_back(utf8[at++]);
            }
        }
        utf8 = std::move(plain);
    }
    return is_ascii_text(utf8) ? utf8 : utf8_to_gbk_text(utf8);
}

// "0", "12": a name that is also an array index.
bool index_name(std::string_view name, std::size_t& index) {
    if (name.empty() || name.size() > 9 || (name.size() > 1 && name[0] == '0')) {
        return false;
    }
    auto result = std::from_chars(name.data(), name.data() + name.size(), index);
    return result.ec == std::errc() && result.ptr == name.data() + name.size();
}

const JsonValue& child(const JsonValue& value, bool is_index, const std::string& name,
                       std::size_t index) {
    if (value.type() == JsonType::Object) {
        const JsonValue* member = value.member(is_index ? std::to_string(index) : name);
        return member != nullptr ? *member : kNothing;
    }
    if (value.type() == JsonType::Array && (is_index || index_name(name, index))) {
        return value.element(index);
    }
    return kNothing;
}

// Merges `source` into `target` member by member: objects and arrays of the target take
// the source's members, every other member (missing, null included) is replaced.
void extend(JsonValue& target, const JsonValue& source) {
    if (target.type() == JsonType::Array) {
        for (const JsonValue& element : source.elements()) {
            target.insert_element(target.size(), element);
        }
        return;
    }
    const auto merge = [&target](const std::string& name, const JsonValue& value) {
        JsonValue* member = target.member_for_write(name);
        if (member != nullptr &&
            (member->type() == JsonType::Object || member->type() == JsonType::Array)) {
            extend(*member, value);
        } else {
            target.set_member(name, value);
        }
    };
    for (const auto& [name, value] : source.members()) {
        merge(name, value);
    }
    for (std::size_t i = 0; i < source.elements().size(); ++i) {
        merge(std::to_string(i), source.elements()[i]);
    }
}

void collect_values(const JsonValue& value, bool recursive, TextArray& out) {
    const auto visit = [&](const JsonValue& item) {
        switch (item.type()) {
            case JsonType::Object:
            case JsonType::Array:
                if (recursive) {
                    collect_values(item, recursive, out);
                }
                break;
            case JsonType::String:
            case JsonType::Number:
            case JsonType::Boolean:
                out.push_back(output_text(json_value_string(item)));
                break;
            default:
                break;
        }
    };
    for (const auto& member : value.members()) {
        visit(member.second);
    }
    for (const JsonValue& element : value.elements()) {
        visit(element);
    }
}

// ".name" and "[index]" steps, as many as the text holds; nothing for anything else.
std::optional<std::vector<std::pair<std::string, long long>>> split_steps(std::string_view text) {
    std::vector<std::pair<std::string, long long>> steps;  // index -1: a name
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '.') {
            std::size_t end = text.find_first_of(".[]", at + 1);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            if (end == at + 1 || (end < text.size() && text[end] == ']')) {
                return std::nullopt;
            }
            steps.emplace_back(std::string(text.substr(at + 1, end - at - 1)), -1);
            at = end;
        } else if (text[at] == '[') {
            std::size_t end = text.find(']', at + 1);
            std::size_t index = 0;
            if (end == std::string_view::npos ||
                !index_name(text.substr(at + 1, end - at - 1), index)) {
                return std::nullopt;
            }
            steps.emplace_back(std::string(), static_cast<long long>(index));
            at = end + 1;
        } else {
            return std::nullopt;
        }
    }
    return steps;
}

std::optional<JsonValue> parse_value_text(const Text& text) {
    std::string utf8 = to_utf8(text);
    return parse_json(utf8);
}

}  // namespace

JsonDocument::JsonDocument() : value_(JsonValue::object()) {}

JsonDocument::JsonDocument(JsonValue value) : value_(std::move(value)) {}

void JsonDocument::init_engine() {
    value_ = JsonValue::object();
}

bool JsonDocument::parse(const Text& json, bool literal) {
    return parse_utf8(to_utf8(json), literal);
}

bool JsonDocument::parse_utf8(std::string_view json, bool literal) {
    value_ = JsonValue::null();
    if (json.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        // Nothing to read: an empty expression gives undefined, an empty literal nothing.
        if (!literal) {
            value_ = JsonValue();
        }
        return false;
    }
    std::optional<JsonValue> parsed = parse_json(json);
    if (parsed) {
        value_ = std::move(*parsed);
    }
    return !value_.is_nullish();
}

bool JsonDocument::clear() {
    value_ = JsonValue::object();
    return true;
}

Text JsonDocument::to_json() const {
    return output_text(stringify_json(value_));
}

bool JsonDocument::set_value(const Text& path, const Text& value, bool is_json) {
    std::optional<Steps> steps = resolve(path);
    if (!steps) {
        return false;
    }
    if (!is_json) {
        std::string text = to_utf8(value);
        std::string stored;
        stored.reserve(text.size());
        for (char c : text) {
            if (c == '\\') {
                stored += kBackslashStandIn;
            } else {
                stored.push_back(c);
            }
        }
        return assign(*steps, JsonValue::string(std::move(stored)));
    }
    std::optional<JsonValue> parsed = parse_value_text(value.empty() ? Text("{}") : value);
    if (!parsed) {
        return false;
    }
    const JsonValue* existing = lookup(*steps);
    if (existing != nullptr && existing->type() == JsonType::Object) {
        if (steps->size() + static_cast<std::size_t>(parsed->depth()) > kJsonMaxDepth) {
            return false;
        }
        JsonValue* target = lookup_for_write(*steps, steps->size());
        if (target == nullptr) {
            return false;
        }
        extend(*target, *parsed);
        return true;
    }
    return assign(*steps, std::move(*parsed));
}

bool JsonDocument::set_expression(const Text& path, const Text& expression) {
    std::optional<Steps> steps = resolve(path);
    std::optional<JsonValue> parsed = parse_value_text(expression);
    return steps && parsed && assign(*steps, std::move(*parsed));
}

bool JsonDocument::resolve_path(Text& path) const {
    const JsonValue* value = find(path);
    if (!absolute_steps(to_utf8(path))) {
        path = path.empty()     ? Text(kRootName)
               : path[0] == '[' ? kRootName + path
                                : kRootName + Text(".") + path;
    }
    return value != nullptr && !value->is_nullish();
}

bool JsonDocument::exists(const Text& path) const {
    Text absolute = path;
    return resolve_path(absolute);
}

int JsonDocument::value_type(const Text& path) const {
    const JsonValue* value = find(path);
    if (value == nullptr) {
        return kJsonTypeNone;
    }
    switch (value->type()) {
        case JsonType::Undefined:
        case JsonType::Null:
            return kJsonTypeNone;
        case JsonType::String:
            return kJsonTypeString;
        case JsonType::Array:
            return kJsonTypeArray;
        case JsonType::Object:
            return kJsonTypeObject;
        case JsonType::Number:
            return kJsonTypeNumber;
        case JsonType::Boolean:
            return kJsonTypeBoolean;
    }
    return kJsonTypeOther;
}

Text JsonDocument::get_text(const Text& path, bool as_json) const {
    if (as_json) {
        return get_json(path);
    }
    const JsonValue* value = find(path);
    return value != nullptr ? output_text(json_value_string(*value)) : Text();
}

int JsonDocument::member_names(TextArray& names, const Text& path) const {
    names.clear();
    const JsonValue* value = find(path);
    if (value != nullptr) {
        for (const auto& member : value->members()) {
            names.push_back(output_text(member.first));
        }
    }
    return static_cast<int>(names.size());
}

int JsonDocument::count(const Text& path) const {
    const JsonValue* value = find(path);
    return value != nullptr ? static_cast<int>(value->elements().size()) : 0;
}

JsonDocument JsonDocument::get_object(const Text& path) const {
    const JsonValue* value = find(path);
    return JsonDocument(value != nullptr ? *value : JsonValue());
}

bool JsonDocument::add_item(const Text& value, const Text& path, bool is_json, bool at_front) {
    std::optional<Steps> steps = resolve(path);
    if (!steps) {
        return false;
    }
    std::optional<JsonValue> item;
    if (is_json) {
        // An empty JSON value adds nothing, but the array is still made.
        if (!value.empty()) {
            item = parse_value_text(value);
            if (!item) {
                return false;
            }
        }
    } else {
        item = JsonValue::string(to_utf8(value));
    }
    const JsonValue* target = lookup(*steps);
    if (target == nullptr || target->type() != JsonType::Array) {
        if (!assign(*steps, JsonValue::array())) {
            return false;
        }
    }
    if (item && steps->size() + 1 + static_cast<std::size_t>(item->depth()) > kJsonMaxDepth) {
        return false;
    }
    JsonValue* array = lookup_for_write(*steps, steps->size());
    if (array == nullptr) {
        return false;
    }
    if (item) {
        array->insert_element(at_front ? 0 : array->size(), std::move(*item));
    }
    return true;
}

JsonDocument JsonDocument::get_item_object(int index, const Text& path) const {
    const JsonValue* value = find(path);
    if (value == nullptr || index < 0) {
        return JsonDocument(JsonValue());
    }
    return JsonDocument(child(*value, true, std::string(), static_cast<std::size_t>(index)));
}

Text JsonDocument::get_item_text(int index, const Text& path, bool as_json) const {
    JsonDocument item = get_item_object(index, path);
    if (as_json) {
        return output_text(stringify_json(item.value_));
    }
    return item.value_.type() == JsonType::String ? output_text(item.value_.as_string()) : Text();
}

bool JsonDocument::set_item(int index, const Text& path, const Text& value, bool is_json) {
    std::optional<Steps> steps = resolve(path);
    if (!steps || index < 0) {
        return false;
    }
    std::optional<JsonValue> item =
        is_json ? parse_value_text(value) : JsonValue::string(to_utf8(value));
    if (!item) {
        return false;
    }
    Step step;
    step.is_index = true;
    step.index = static_cast<std::size_t>(index);
    steps->push_back(step);
    return assign(*steps, std::move(*item));
}

bool JsonDocument::remove_item(int index, const Text& path) {
    std::optional<Steps> steps = resolve(path);
    JsonValue* array = steps ? lookup_for_write(*steps, steps->size()) : nullptr;
    if (array == nullptr || array->type() != JsonType::Array) {
        return false;
    }
    // As splice: a negative index counts from the end.
    long long at = index < 0 ? static_cast<long long>(array->size()) + index : index;
    if (at >= 0) {
        array->erase_element(static_cast<std::size_t>(at));
    }
    return true;
}

bool JsonDocument::remove(const Text& path) {
    std::optional<Steps> steps = resolve(path);
    if (!steps || steps->empty()) {
        return false;  // the document itself cannot be deleted
    }
    JsonValue* parent = lookup_for_write(*steps, steps->size() - 1);
    if (parent == nullptr) {
        return false;
    }
    const Step& last = steps->back();
    std::size_t index = last.index;
    if (parent->type() == JsonType::Object) {
        parent->erase_member(last.is_index ? std::to_string(last.index) : last.name);
        return true;
    }
    if (parent->type() == JsonType::Array) {
        // Deleting an element leaves a hole, written out as null.
        if ((last.is_index || index_name(last.name, index)) && index < parent->size()) {
            parent->set_element(index, JsonValue::null());
        }
        return true;
    }
    return false;
}

bool JsonDocument::set_number(const Text& path, double number) {
    std::optional<Steps> steps = resolve(path);
    return steps && assign(*steps, JsonValue::number(number));
}

double JsonDocument::get_number(const Text& path) const {
    const JsonValue* value = find(path);
    if (value == nullptr) {
        return 0.0;
    }
    switch (value->type()) {
        case JsonType::Number:
            return value->as_number();
        case JsonType::Boolean:
            return value->as_boolean() ? 1.0 : 0.0;
        case JsonType::String: {
            const std::string& text = value->as_string();
            std::size_t first = text.find_first_not_of(" \t\r\n");
            std::size_t last = text.find_last_not_of(" \t\r\n");
            if (first == std::string::npos) {
                return 0.0;
            }
            double number = 0.0;
            auto result = std::from_chars(text.data() + first, text.data() + last + 1, number);
            return result.ec == std::errc() && result.ptr == text.data() + last + 1 ? number : 0.0;
        }
        default:
            return 0.0;
    }
}

Text JsonDocument::get_json(const Text& path) const {
    const JsonValue* value = find(path);
    return value != nullptr ? output_text(stringify_json(*value)) : Text();
}

int JsonDocument::all_values(TextArray& values, const Text& path, bool recursive) const {
    values.clear();
    const JsonValue* value = find(path);
    if (value != nullptr) {
        collect_values(*value, recursive, values);
    }
    return static_cast<int>(values.size());
}

std::optional<JsonDocument::Steps> JsonDocument::to_steps(std::string_view text) {
    auto pieces = split_steps(text);
    if (!pieces) {
        return std::nullopt;
    }
    Steps steps;
    steps.reserve(pieces->size());
    for (auto& [name, index] : *pieces) {
        Step step;
        step.is_index = index >= 0;
        step.name = std::move(name);
        step.index = index >= 0 ? static_cast<std::size_t>(index) : 0;
        steps.push_back(std::move(step));
    }
    return steps;
}

std::optional<JsonDocument::Steps> JsonDocument::absolute_steps(const std::string& utf8) const {
    if (utf8.rfind(kRootName, 0) != 0) {
        return std::nullopt;
    }
    std::optional<Steps> steps = to_steps(std::string_view(utf8).substr(2));
    const JsonValue* value = steps ? lookup(*steps) : nullptr;
    if (value == nullptr || value->is_nullish()) {
        return std::nullopt;
    }
    return steps;
}

std::optional<JsonDocument::Steps> JsonDocument::resolve(const Text& path) const {
    const std::string utf8 = to_utf8(path);
    // A path that already begins at the root is kept when it names a value.
    if (std::optional<Steps> steps = absolute_steps(utf8)) {
        return steps;
    }
    if (utf8.empty()) {
        return Steps();
    }
    return to_steps(utf8[0] == '[' ? utf8 : "." + utf8);
}

const JsonValue* JsonDocument::find(const Text& path) const {
    std::optional<Steps> steps = resolve(path);
    return steps ? lookup(*steps) : nullptr;
}

const JsonValue* JsonDocument::lookup(const Steps& steps) const {
    const JsonValue* value = &value_;
    for (const Step& step : steps) {
        // A member of null or undefined is an error, not another undefined.
        if (value->is_nullish()) {
            return nullptr;
        }
        value = &child(*value, step.is_index, step.name, step.index);
    }
    return value;
}

JsonValue* JsonDocument::lookup_for_write(const Steps& steps, std::size_t count) {
    JsonValue* value = &value_;
    for (std::size_t i = 0; i < count && value != nullptr; ++i) {
        const Step& step = steps[i];
        std::size_t index = step.index;
        if (value->type() == JsonType::Object) {
            value = value->member_for_write(step.is_index ? std::to_string(step.index) : step.name);
        } else if (value->type() == JsonType::Array &&
                   (step.is_index || index_name(step.name, index))) {
            value = value->element_for_write(index);
        } else {
            value = nullptr;
        }
    }
    return value;
}

bool JsonDocument::assign(const Steps& steps, JsonValue value) {
    if (steps.size() + static_cast<std::size_t>(value.depth()) > kJsonMaxDepth) {
        return false;
    }
    if (steps.empty()) {
        value_ = std::move(value);
        return true;
    }
    JsonValue* parent = lookup_for_write(steps, steps.size() - 1);
    if (parent == nullptr) {
        return false;
    }
    const Step& last = steps.back();
    std::size_t index = last.index;
    if (parent->type() == JsonType::Object) {
        parent->set_member(last.is_index ? std::to_string(last.index) : last.name,
                           std::move(value));
        return true;
    }
    if (parent->type() == JsonType::Array && (last.is_index || index_name(last.name, index))) {
        return parent->set_element(index, std::move(value));
    }
    return false;
}
