// Reading an HTTP header block as bytes.
#include "base/header_block.h"

#include <string_view>

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_token_byte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

char fold_case(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold_case(a[i]) != fold_case(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Calls `take(value)` for every field named `name` until it returns false. A field is
// handed over only when the next line shows it is not folded further.
template <typename Take>
void visit_values(const Text& block, std::string_view name, Take take) {
    bool pending = false;
    Text value;
    std::size_t at = 0;
    while (at < block.size()) {
        // A plain loop: find_first_of calls memchr for every byte.
        std::size_t end = at;
        while (end < block.size() && block[end] != '\r' && block[end] != '\n') {
            ++end;
        }
        std::string_view line(block.data() + at, end - at);
        at = end + (block.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (!line.empty() && is_blank(line.front())) {
            std::string_view more = trim(line);
            if (pending && !more.empty()) {
                value += ' ';
                value.append(more);
            }
            continue;
        }
        if (pending && !take(value)) {
            return;
        }
        pending = false;
        if (line.empty()) {
            continue;
        }
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        std::string_view field_name = trim(line.substr(0, colon));
        bool token = !field_name.empty();
        for (char c : field_name) {
            token = token && is_token_byte(c);
        }
        if (token && same_name(field_name, name)) {
            value.assign(trim(line.substr(colon + 1)));
            pending = true;
        }
    }
    if (pending) {
        take(value);
    }
}

}  // namespace

std::optional<Text> header_value(const Text& block, const Text& name) {
    std::optional<Text> found;
    visit_values(block, name, [&](const Text& value) {
        found = value;
        return false;
    });
    return found;
}

TextArray header_values(const Text& block, const Text& name) {
    TextArray values;
    visit_values(block, name, [&](const Text& value) {
        values.push_back(value);
        return true;
    });
    return values;
}
