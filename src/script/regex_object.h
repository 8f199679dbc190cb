// RegexObject: one compiled pattern and the matches of its last run, handed out by
// 1-based index (the IP probe picks the first dotted quad of a page with it).
#pragma once

#include <optional>
#include <vector>

#include "base/text.h"
#include "platform/regex_engine.h"

class RegexObject {
  public:
    RegexObject() = default;
    ~RegexObject() = default;
    // A copy owns its own pattern and matches.
    RegexObject(const RegexObject&) = default;
    RegexObject& operator=(const RegexObject&) = default;
    RegexObject copy() const { return *this; }

    // Compiles the pattern; switches not given are on. False for a pattern that does
    // not compile: the object then holds no pattern and no matches.
    bool create(const Text& pattern, std::optional<bool> ignore_case = std::nullopt,
                std::optional<bool> multiline = std::nullopt,
                std::optional<bool> global = std::nullopt);
    Text get_pattern() const;
    // Empty text without a pattern or when the run was given up.
    Text replace(const Text& text, const Text& replacement) const;
    // Number of matches; they stay readable until the next match or create.
    int match(const Text& text);
    int match_count() const { return last_count_; }
    // Empty text for an index outside the matches or groups.
    Text match_text(int index) const;
    Text submatch_text(int match_index, int group_index) const;
    // Groups of the first match; 0 when there is no match.
    int submatch_count() const;

  private:
    std::optional<Regex> regex_;
    std::vector<RegexMatch> matches_;
    int last_count_ = 0;
};
