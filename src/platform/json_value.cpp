// The JSON value model: values, arrays and objects shared until one side writes.
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
