// The address scanner: ASCII digits and dots only, which no GBK trail byte can be.
#include "base/dotted_quad.h"

namespace {

bool is_digit(const Text& text, std::size_t at) {
    return at < text.size() && text[at] >= '0' && text[at] <= '9';
}

// A number of one to three digits at most 255 starting at `at`; its end, or npos.
std::size_t octet_end(const Text& text, std::size_t at) {
    std::size_t end = at;
    int value = 0;
    while (end < at + 3 && is_digit(text, end)) {
        value = value * 10 + (text[end] - '0');
        ++end;
    }
    return end == at || value > 255 ? Text::npos : end;
}

// The end of a dotted quad starting at `at`, or npos.
std::size_t quad_end(const Text& text, std::size_t at) {
    std::size_t end = at;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (end >= text.size() || text[end] != '.') {
                return Text::npos;
            }
            ++end;
        }
        end = octet_end(text, end);
        if (end == Text::npos) {
            return Text::npos;
        }
    }
    return end;
}

}  // namespace

Text first_dotted_quad(const Text& text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!is_digit(text, at) || (at > 0 && is_digit(text, at - 1)) ||
            (at > 1 && text[at - 1] == '.' && is_digit(text, at - 2))) {
            continue;
        }
        const std::size_t end = quad_end(text, at);
        if (end == Text::npos || is_digit(text, end) ||
            (end < text.size() && text[end] == '.' && is_digit(text, end + 1))) {
            continue;
        }
        return text.substr(at, end - at);
    }
    return Text();
}
