// Text helpers of the one-shot web request.
#include "http/http_text.h"

#include <unordered_set>

Text capitalize_first(const Text& text) {
    if (text.empty()) {
        return text;
    }
    return upper_text(left_text(text, 1)) + mid_text(text, 2);
}

Text trim_leading_blanks(const Text& text) {
    std::size_t begin = text.find_first_not_of(' ');
    return begin == Text::npos ? Text() : text.substr(begin);
}

Text normalize_header_names(const Text& headers) {
    TextArray lines;
    for (const Text& line : split_text(headers, "\r\n")) {
        int colon = find_text(line, ":");
        if (colon < 0) {
            continue;
        }
        Text name = left_text(line, colon - 1);
        if (find_text(name, "-") < 0) {
            name = capitalize_first(name);
        } else {
            TextArray words = split_text(name, "-");
            for (Text& word : words) {
                word = capitalize_first(word);
            }
            name = join_texts(words, "-");
        }
        lines.push_back(name + mid_text(line, colon));
    }
    return join_texts(lines, "\r\n");
}

Text text_between(const Text& text, const Text& start, const Text& end) {
    int from = find_text(text, start);
    if (from < 0) {
        return Text();
    }
    int after = from + static_cast<int>(start.size());
    int to = find_text(text, end, after);
    if (to < 0) {
        return Text();
    }
    return mid_text(text, after, to - after);
}

Text text_after_colon(const Text& text) {
    int colon = find_text(text, ":");
    if (colon < 0) {
        return Text();
    }
    return trim_text(mid_text(text, colon + 1));
}

Text text_before(const Text& text, const Text& marker) {
    if (marker.empty()) {
        return text;
    }
    int at = find_text(text, marker);
    if (at < 1) {
        return Text();
    }
    return left_text(text, at - 1);
}

Text url_host(const Text& url, bool keep_port) {
    Text prepared = lower_text(url);
    if (right_text(prepared, 1) != "/") {
        prepared += "/";
    }
    Text marker = "https://";
    if (left_text(prepared, 8) != "https://") {
        if (find_text(prepared, "http://") < 0) {
            prepared = "http://" + prepared;
        }
        marker = "http://";
    }
    Text host = text_between(prepared, marker, "/");
    if (!keep_port && find_text(host, ":") > 0) {
        host = text_before(host, ":");
    }
    return host;
}

int url_port(const Text& url) {
    Text host = url_host(url, true);
    int colon = rfind_text(host, ":");
    if (colon > 0) {
        return text_to_int(mid_text(host, colon + 1));
    }
    return left_text(lower_text(url), 5) == "https" ? 443 : 80;
}

Text url_path(const Text& url) {
    Text host = url_host(url, true);
    int at = find_text(url, host, 1, true);
    if (at < 0) {
        return "/";
    }
    int slash = find_text(url, "/", at + static_cast<int>(host.size()));
    if (slash < 0) {
        return "/";
    }
    return mid_text(url, slash);
}

Text cookie_name(const Text& pair) {
    return trim_text(pair.substr(0, pair.find('=')));
}

bool has_cookie_name(const TextArray& pairs, const Text& name) {
    for (const Text& pair : pairs) {
        if (cookie_name(pair) == name) {
            return true;
        }
    }
    return false;
}

Text remove_duplicate_items(const Text& text, const Text& separator) {
    TextArray kept;
    std::unordered_set<Text> seen;
    for (const Text& item : split_text(text, separator)) {
        if (seen.insert(item).second) {
            kept.push_back(item);
        }
    }
    return join_texts(kept, separator);
}

int find_item(const TextArray& items, const Text& text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

namespace {

Text cookie_list_form(const Text& cookies) {
    Text trimmed = trim_text(cookies);
    if (right_text(trimmed, 1) == ";") {
        trimmed += " ";
    }
    return trimmed;
}

}  // namespace

Text merge_cookie_text(Text& sent, Text& received) {
    sent = cookie_list_form(sent);
    received = cookie_list_form(received);
    // Bytes-wise: a received value keeps the bytes the server sent.
    TextArray received_pairs = split_bytes(received, "; ");
    std::unordered_set<Text> names;
    for (const Text& pair : received_pairs) {
        names.insert(cookie_name(pair));
    }
    for (const Text& pair : split_bytes(sent, "; ")) {
        if (names.insert(cookie_name(pair)).second) {
            received_pairs.push_back(pair);
        }
    }
    TextArray kept;
    std::unordered_set<Text> seen;
    for (const Text& pair : received_pairs) {
        if (right_text(pair, 8) != "=deleted" && seen.insert(pair).second) {
            kept.push_back(pair);
        }
    }
    Text merged = join_texts(kept, "; ");
    sent = merged;
    return merged;
}
