// Regular expressions with the syntax and switches of the script host's RegExp object,
// run by PCRE2 over GBK text; positions come back as 1-based GBK byte positions.
#pragma once

#include <optional>
#include <vector>

#include "base/text.h"

struct RegexOptions {
    bool ignore_case = false;
    bool multiline = false;
    bool global = false;  // every match from left to right, not only the first
};

// One capture group of a match; position 0 when the group took no part.
struct RegexGroup {
    int position = 0;
    int length = 0;
    Text text;
};

struct RegexMatch {
    int position = 0;  // 1-based byte position in the searched GBK text
    int length = 0;    // in GBK bytes
    Text text;
    std::vector<RegexGroup> groups;  // one per capture group of the pattern
};

struct RegexRun {
    std::vector<RegexMatch> matches;
    bool complete = true;  // false when the work limit stopped the search early
};

// A compiled pattern. Copies own their own compiled code.
class Regex {
  public:
    Regex();
    ~Regex();
    Regex(const Regex& other);
    Regex& operator=(const Regex& other);
    Regex(Regex&& other) noexcept;
    Regex& operator=(Regex&& other) noexcept;

    // False (and no pattern held) when the pattern does not compile.
    bool compile(const Text& pattern, const RegexOptions& options);
    bool is_compiled() const { return code_ != nullptr; }
    const Text& pattern() const { return pattern_; }
    const RegexOptions& options() const { return options_; }
    int group_count() const;

    // Leftmost non-overlapping matches (only the first unless global). Matches found
    // before the work limit was reached are kept.
    RegexRun execute(const Text& text) const;
    // The text with the matches replaced; the replacement may use $1..$99, $&, $`, $'
    // and $$. Nothing when no pattern is held or the work limit was reached.
    std::optional<Text> replace(const Text& text, const Text& replacement) const;

  private:
    void release();

    void* code_ = nullptr;  // pcre2_code_8
    Text pattern_;
    RegexOptions options_;
};
