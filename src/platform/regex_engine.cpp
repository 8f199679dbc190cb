// PCRE2 behind Regex: GBK text goes to the engine as UTF-8 and match offsets are mapped back.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "platform/regex_engine.h"

#include <pcre2.h>

#include <utility>

#include "platform/codepage.h"

namespace {

// One pcre2_match call gives up after this many steps (catastrophic backtracking), a
// whole run after this many pattern items tried, so no pattern and text can hang us.
constexpr uint32_t kMatchLimit = 1000000;
constexpr uint32_t kDepthLimit = 100000;
constexpr long kRunBudget = 3000000;

pcre2_code* as_code(void* code) {
    return static_cast<pcre2_code*>(code);
}

std::size_t utf8_char_size(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    return lead >= 0xC0 ? 2 : 1;
}

int count_budget(pcre2_callout_block*, void* data) {
    long& remaining = *static_cast<long*>(data);
    return --remaining > 0 ? 0 : PCRE2_ERROR_CALLOUT;
}

// Runs the pattern over the subject, calling `found` with the ovector of each match.
template <typename Found>
bool run_matches(pcre2_code* code, bool global, const MappedUtf8& subject, Found found) {
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    if (context == nullptr || data == nullptr) {
        pcre2_match_context_free(context);
        pcre2_match_data_free(data);
        return false;
    }
    long budget = kRunBudget;
    pcre2_set_match_limit(context, kMatchLimit);
    pcre2_set_depth_limit(context, kDepthLimit);
    pcre2_set_callout(context, count_budget, &budget);

    const auto* bytes = reinterpret_cast<PCRE2_SPTR>(subject.utf8.data());
    const std::size_t size = subject.utf8.size();
    std::size_t start = 0;
    bool complete = true;
    // The subject is valid UTF-8 by construction; checking it once is enough.
    uint32_t options = 0;
    while (start <= size) {
        int rc = pcre2_match(code, bytes, size, start, options, data, context);
        options = PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH) {
            break;
        }
        if (rc < 0) {
            complete = false;
            break;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
        found(ovector);
        if (!global) {
            break;
        }
        const std::size_t end = ovector[1];
        if (end > ovector[0]) {
            start = end;
        } else {
            // After an empty match the search goes on one character further along.
            if (end >= size) {
                break;
            }
            start = end + utf8_char_size(static_cast<unsigned char>(subject.utf8[end]));
        }
    }
    pcre2_match_data_free(data);
    pcre2_match_context_free(context);
    return complete;
}

// GBK start and length of the UTF-8 span [from, to).
std::pair<int, int> gbk_span(const MappedUtf8& subject, PCRE2_SIZE from, PCRE2_SIZE to) {
    if (to < from) {
        to = from;
    }
    int start = subject.gbk_offset[from];
    int end = subject.gbk_offset[to];
    return {start, end - start};
}

// Expands $1..$99, $&, $`, $' and $$ of a replacement text for one match.
void append_replacement(Text& out, const Text& replacement, const Text& text,
                        const RegexMatch& match) {
    const int groups = static_cast<int>(match.groups.size());
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        char c = replacement[i];
        if (c != '$' || i + 1 >= replacement.size()) {
            out.push_back(c);
            continue;
        }
        char next = replacement[i + 1];
        if (next == '$') {
            out.push_back('$');
            ++i;
        } else if (next == '&') {
            out += match.text;
            ++i;
        } else if (next == '`') {
            out.append(text, 0, match.position - 1);
            ++i;
        } else if (next == '\'') {
            out.append(text, match.position - 1 + match.length);
            ++i;
        } else if (next >= '0' && next <= '9') {
            int one = next - '0';
            bool has_two = i + 2 < replacement.size() && replacement[i + 2] >= '0' &&
                           replacement[i + 2] <= '9';
            int two = has_two ? one * 10 + (replacement[i + 2] - '0') : 0;
            if (has_two && two >= 1 && two <= groups) {
                out += match.groups[two - 1].text;
                i += 2;
            } else if (one >= 1 && one <= groups) {
                out += match.groups[one - 1].text;
                ++i;
            } else {
                out.push_back('$');
            }
        } else {
            out.push_back('$');
        }
    }
}

}  // namespace

Regex::Regex() = default;

Regex::~Regex() {
    release();
}

Regex::Regex(const Regex& other) : pattern_(other.pattern_), options_(other.options_) {
    if (other.code_ != nullptr) {
        code_ = pcre2_code_copy(as_code(other.code_));
    }
}

Regex& Regex::operator=(const Regex& other) {
    if (this != &other) {
        Regex copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Regex::Regex(Regex&& other) noexcept
    : code_(std::exchange(other.code_, nullptr)),
      pattern_(std::move(other.pattern_)),
      options_(other.options_) {}

Regex& Regex::operator=(Regex&& other) noexcept {
    if (this != &other) {
        release();
        code_ = std::exchange(other.code_, nullptr);
        pattern_ = std::move(other.pattern_);
        options_ = other.options_;
    }
    return *this;
}

void Regex::release() {
    pcre2_code_free(as_code(code_));
    code_ = nullptr;
}

bool Regex::compile(const Text& pattern, const RegexOptions& options) {
    release();
    pattern_ = pattern;
    options_ = options;
    // The script host's dialect: \uXXXX escapes, "[]" and "[^]", unset back-references
    // matching nothing, "$" only at the very end unless multiline.
    uint32_t flags = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                     PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C |
                     PCRE2_AUTO_CALLOUT;
    if (options.ignore_case) {
        flags |= PCRE2_CASELESS;
    }
    if (options.multiline) {
        flags |= PCRE2_MULTILINE;
    }
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (context == nullptr) {
        return false;
    }
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    Text utf8 = gbk_to_utf8_text(pattern);
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), flags, &error,
                          &offset, context);
    pcre2_compile_context_free(context);
    return code_ != nullptr;
}

int Regex::group_count() const {
    uint32_t count = 0;
    if (code_ != nullptr) {
        pcre2_pattern_info(as_code(code_), PCRE2_INFO_CAPTURECOUNT, &count);
    }
    return static_cast<int>(count);
}

RegexRun Regex::execute(const Text& text) const {
    RegexRun run;
    if (code_ == nullptr) {
        return run;
    }
    const MappedUtf8 subject = gbk_to_mapped_utf8(text);
    const int groups = group_count();
    run.complete =
        run_matches(as_code(code_), options_.global, subject, [&](const PCRE2_SIZE* ovector) {
            RegexMatch match;
            auto [start, length] = gbk_span(subject, ovector[0], ovector[1]);
            match.position = start + 1;
            match.length = length;
            match.text = text.substr(start, length);
            match.groups.resize(groups);
            for (int g = 1; g <= groups; ++g) {
                if (ovector[2 * g] == PCRE2_UNSET) {
                    continue;
                }
                auto [group_start, group_length] =
                    gbk_span(subject, ovector[2 * g], ovector[2 * g + 1]);
                RegexGroup& group = match.groups[g - 1];
                group.position = group_start + 1;
                group.length = group_length;
                group.text = text.substr(group_start, group_length);
            }
            run.matches.push_back(std::move(match));
        });
    return run;
}

std::optional<Text> Regex::replace(const Text& text, const Text& replacement) const {
    if (code_ == nullptr) {
        return std::nullopt;
    }
    RegexRun run = execute(text);
    if (!run.complete) {
        return std::nullopt;
    }
    Text out;
    std::size_t copied = 0;
    for (const RegexMatch& match : run.matches) {
        const std::size_t at = static_cast<std::size_t>(match.position - 1);
        if (at < copied) {
            continue;
        }
        out.append(text, copied, at - copied);
        append_replacement(out, replacement, text, match);
        copied = at + static_cast<std::size_t>(match.length);
    }
    out.append(text, copied);
    return out;
}
