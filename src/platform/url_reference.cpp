// Resolving and escaping URLs.
#include "platform/url_reference.h"

#include <string_view>

#include "platform/codepage.h"

namespace {

struct Reference {
    bool has_scheme = false;
    bool has_authority = false;
    bool has_query = false;
    bool has_fragment = false;
    std::string_view scheme;
    std::string_view authority;
    std::string_view path;
    std::string_view query;
    std::string_view fragment;
};

bool is_alpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_scheme(std::string_view text) {
    if (text.empty() || !is_alpha(text[0])) {
        return false;
    }
    for (char c : text) {
        if (!is_alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

// The split of RFC 3986 appendix B; a scheme must also have the scheme's syntax.
Reference split_reference(std::string_view text) {
    Reference r;
    std::size_t fragment = text.find('#');
    if (fragment != std::string_view::npos) {
        r.has_fragment = true;
        r.fragment = text.substr(fragment + 1);
        text = text.substr(0, fragment);
    }
    std::size_t query = text.find('?');
    if (query != std::string_view::npos) {
        r.has_query = true;
        r.query = text.substr(query + 1);
        text = text.substr(0, query);
    }
    std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && is_scheme(text.substr(0, colon))) {
        r.has_scheme = true;
        r.scheme = text.substr(0, colon);
        text = text.substr(colon + 1);
    }
    if (text.substr(0, 2) == "//") {
        text = text.substr(2);
        std::size_t slash = text.find('/');
        r.has_authority = true;
        r.authority = text.substr(0, slash);
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash);
    }
    r.path = text;
    return r;
}

void drop_last_segment(Text& output) {
    std::size_t slash = output.rfind('/');
    output.erase(slash == Text::npos ? 0 : slash);
}

// RFC 3986 section 5.2.4. The input only ever loses a prefix, so the walk is linear.
Text remove_dot_segments(std::string_view input) {
    Text output;
    while (!input.empty()) {
        if (input.substr(0, 3) == "../") {
            input.remove_prefix(3);
        } else if (input.substr(0, 2) == "./") {
            input.remove_prefix(2);
        } else if (input.substr(0, 3) == "/./") {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.substr(0, 4) == "/../") {
            input.remove_prefix(3);
            drop_last_segment(output);
        } else if (input == "/..") {
            input = "/";
            drop_last_segment(output);
        } else if (input == "." || input == "..") {
            input = std::string_view();
        } else {
            std::size_t end = input.find('/', 1);
            if (end == std::string_view::npos) {
                end = input.size();
            }
            output.append(input.substr(0, end));
            input.remove_prefix(end);
        }
    }
    return output;
}

// RFC 3986 section 5.2.3; the caller has given a base with an authority its "/".
Text merge_paths(const Reference& base, std::string_view path) {
    std::size_t slash = base.path.rfind('/');
    if (slash == std::string_view::npos) {
        return Text(path);
    }
    return Text(base.path.substr(0, slash + 1)) + Text(path);
}

}  // namespace

Text resolve_reference(const Text& base_url, const Text& reference) {
    Reference base = split_reference(base_url);
    if (base.has_authority && base.path.empty()) {
        base.path = "/";
    }
    const Reference r = split_reference(reference);
    Reference target;
    Text path;
    if (r.has_scheme) {
        target = r;
        path = remove_dot_segments(r.path);
    } else {
        target.has_scheme = base.has_scheme;
        target.scheme = base.scheme;
        if (r.has_authority) {
            target.has_authority = true;
            target.authority = r.authority;
            path = remove_dot_segments(r.path);
            target.has_query = r.has_query;
            target.query = r.query;
        } else {
            target.has_authority = base.has_authority;
            target.authority = base.authority;
            if (r.path.empty()) {
                path = Text(base.path);
                target.has_query = r.has_query || base.has_query;
                target.query = r.has_query ? r.query : base.query;
            } else {
                path = remove_dot_segments(r.path[0] == '/' ? Text(r.path)
                                                            : merge_paths(base, r.path));
                target.has_query = r.has_query;
                target.query = r.query;
            }
        }
        target.has_fragment = r.has_fragment;
        target.fragment = r.fragment;
    }
    // RFC 3986 section 5.3.
    Text result;
    if (target.has_scheme) {
        result.append(target.scheme).append(":");
    }
    if (target.has_authority) {
        result.append("//").append(target.authority);
    }
    result += path;
    if (target.has_query) {
        result.append("?").append(target.query);
    }
    if (target.has_fragment) {
        result.append("#").append(target.fragment);
    }
    return result;
}

Text escape_url_bytes(const Text& url) {
    static const char kHex[] = "0123456789ABCDEF";
    Text escaped;
    escaped.reserve(url.size());
    for (char c : url) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte == ' ' || byte == '\t' || byte >= 0x7F) {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

Text request_url(const Text& typed) {
    std::size_t begin = 0;
    std::size_t end = typed.size();
    while (begin < end && static_cast<unsigned char>(typed[begin]) <= 0x20) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(typed[end - 1]) <= 0x20) {
        --end;
    }
    Text url = typed.substr(begin, end - begin);
    for (char c : url) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            url = gbk_to_utf8_text(url);
            break;
        }
    }
    return escape_url_bytes(url);
}
