// Text operations over GBK byte strings.
#include "base/text.h"

#include <algorithm>
#include <climits>

namespace {

unsigned char fold(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Compares `search` with the text at byte offset `at`; letters fold only where they
// stand as single-byte characters of the text.
bool matches_at(const Text& text, std::size_t at, const Text& search, bool ignore_case) {
    if (at + search.size() > text.size()) {
        return false;
    }
    bool trail = false;
    for (std::size_t i = 0; i < search.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(text[at + i]);
        unsigned char b = static_cast<unsigned char>(search[i]);
        bool single = !trail && !is_gbk_lead_byte(a);
        if (ignore_case && single ? fold(a) != fold(b) : a != b) {
            return false;
        }
        trail = !trail && is_gbk_lead_byte(a);
    }
    return true;
}

// Byte offsets at which a character begins.
std::vector<std::size_t> character_starts(const Text& text) {
    std::vector<std::size_t> starts;
    starts.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        starts.push_back(i);
        if (is_gbk_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
        }
    }
    return starts;
}

}  // namespace

bool is_gbk_lead_byte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

namespace {

// A character boundary at or before `at`: bytes below 0x40 are never part of a
// double-byte character, so a character begins right after one. Walking forward
// from there keeps a search from a start position from rescanning the whole text.
std::size_t sure_boundary_before(const Text& text, std::size_t at) {
    while (at > 0 && static_cast<unsigned char>(text[at - 1]) >= 0x40) {
        --at;
    }
    return at;
}

}  // namespace

int find_text(const Text& text, const Text& search, int start, bool ignore_case) {
    if (text.empty() || start < 1 || static_cast<std::size_t>(start) > text.size()) {
        return -1;
    }
    const std::size_t from = static_cast<std::size_t>(start) - 1;
    for (std::size_t i = sure_boundary_before(text, from); i < text.size(); ++i) {
        if (i >= from && matches_at(text, i, search, ignore_case)) {
            return static_cast<int>(i) + 1;
        }
        if (is_gbk_lead_byte(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
    }
    return -1;
}

int rfind_text(const Text& text, const Text& search, int start, bool ignore_case) {
    if (text.empty()) {
        return -1;
    }
    std::size_t limit = start < 1 ? text.size() : static_cast<std::size_t>(start);
    std::vector<std::size_t> starts = character_starts(text);
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        if (*it + 1 <= limit && matches_at(text, *it, search, ignore_case)) {
            return static_cast<int>(*it) + 1;
        }
    }
    return -1;
}

Text left_text(const Text& text, int count) {
    if (count <= 0) {
        return Text();
    }
    return text.substr(0, static_cast<std::size_t>(count));
}

Text right_text(const Text& text, int count) {
    if (count <= 0) {
        return Text();
    }
    std::size_t n = static_cast<std::size_t>(count);
    return n >= text.size() ? text : text.substr(text.size() - n);
}

Text mid_text(const Text& text, int start, int count) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || count == 0) {
        return Text();
    }
    std::size_t from = static_cast<std::size_t>(start) - 1;
    return count < 0 ? text.substr(from) : text.substr(from, static_cast<std::size_t>(count));
}

namespace {

// The pieces between separators; `next(from)` gives where the next separator at or
// after `from` begins, or npos. Empty text has no pieces.
template <typename NextSeparator>
TextArray split_with(const Text& text, const Text& separator, NextSeparator next) {
    TextArray pieces;
    if (text.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    std::size_t from = 0;
    for (std::size_t at = next(from); at != Text::npos; at = next(from)) {
        pieces.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    if (from < text.size()) {
        pieces.push_back(text.substr(from));
    }
    return pieces;
}

}  // namespace

TextArray split_text(const Text& text, const Text& separator) {
    // One walk over the characters: a separator counts where a character begins and
    // not inside the previous separator.
    std::size_t i = 0;
    return split_with(text, separator, [&](std::size_t from) {
        for (; i < text.size();
             i += is_gbk_lead_byte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
            if (i >= from && matches_at(text, i, separator, false)) {
                return i;
            }
        }
        return Text::npos;
    });
}

TextArray split_bytes(const Text& text, const Text& separator) {
    return split_with(text, separator,
                      [&](std::size_t from) { return text.find(separator, from); });
}

Text join_texts(const TextArray& pieces, const Text& separator) {
    Text joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += pieces[i];
    }
    return joined;
}

Text trim_text(const Text& text) {
    static const Text kIdeographicSpace = "\xA1\xA1";
    std::size_t begin = 0;
    std::size_t end = text.size();
    for (;;) {
        if (begin < end && text[begin] == ' ') {
            ++begin;
        } else if (end - begin >= 2 && text.compare(begin, 2, kIdeographicSpace) == 0) {
            begin += 2;
        } else {
            break;
        }
    }
    // A trailing A1 A1 counts only where it is a whole character. Where characters begin
    // depends only on the bytes before, so the starts are found once.
    std::vector<std::size_t> starts;
    for (;;) {
        if (end > begin && text[end - 1] == ' ') {
            --end;
            continue;
        }
        if (end - begin >= 2 && text.compare(end - 2, 2, kIdeographicSpace) == 0) {
            if (starts.empty()) {
                starts = character_starts(text);
            }
            if (std::binary_search(starts.begin(), starts.end(), end - 2)) {
                end -= 2;
                continue;
            }
        }
        break;
    }
    return text.substr(begin, end - begin);
}

Text trim_blanks(const Text& text) {
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == Text::npos) {
        return Text();
    }
    std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

namespace {

Text change_case(const Text& text, bool upper) {
    Text result = text;
    for (std::size_t i = 0; i < result.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(result[i]);
        if (is_gbk_lead_byte(c)) {
            ++i;
        } else if (upper && c >= 'a' && c <= 'z') {
            result[i] = static_cast<char>(c - 'a' + 'A');
        } else if (!upper && c >= 'A' && c <= 'Z') {
            result[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

}  // namespace

Text upper_text(const Text& text) {
    return change_case(text, true);
}

Text lower_text(const Text& text) {
    return change_case(text, false);
}

bool equal_ignoring_case(const Text& a, const Text& b) {
    return upper_text(a) == upper_text(b);
}

Text replace_text(const Text& text, const Text& from, const Text& to) {
    if (from.empty()) {
        return text;
    }
    // One walk over the characters, as split_text does: a search from the start for
    // every occurrence would make long texts quadratic.
    Text result;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size();
         i += is_gbk_lead_byte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
        if (i >= copied && matches_at(text, i, from, false)) {
            result.append(text, copied, i - copied);
            result += to;
            copied = i + from.size();
        }
    }
    if (copied < text.size()) {
        result.append(text, copied, Text::npos);
    }
    return result;
}

int text_to_int(const Text& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

Bytes text_to_bytes(const Text& text) {
    return Bytes(text.begin(), text.end());
}

Text bytes_to_text(const Bytes& bytes) {
    Text text;
    for (std::uint8_t b : bytes) {
        if (b == 0) {
            break;
        }
        text.push_back(static_cast<char>(b));
    }
    return text;
}

Text shorten_text(const Text& text, std::size_t max_bytes, const Text& mark) {
    if (text.size() <= max_bytes) {
        return text;
    }
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t width =
            is_gbk_lead_byte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2
                                                                                             : 1;
        if (end + width > max_bytes) {
            break;
        }
        end += width;
    }
    return text.substr(0, end) + mark;
}

bool is_ascii_text(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}
