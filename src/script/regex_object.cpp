// RegexObject over the PCRE2-backed Regex.
#include "script/regex_object.h"

bool RegexObject::create(const Text& pattern, std::optional<bool> ignore_case,
                         std::optional<bool> multiline, std::optional<bool> global) {
    matches_.clear();
    regex_.reset();
    RegexOptions options;
    options.ignore_case = ignore_case.value_or(true);
    options.multiline = multiline.value_or(true);
    options.global = global.value_or(true);
    Regex regex;
    if (!regex.compile(pattern, options)) {
        return false;
    }
    regex_ = std::move(regex);
    last_count_ = 0;
    return true;
}

Text RegexObject::get_pattern() const {
    return regex_ ? regex_->pattern() : Text();
}

Text RegexObject::replace(const Text& text, const Text& replacement) const {
    if (!regex_) {
        return Text();
    }
    return regex_->replace(text, replacement).value_or(Text());
}

int RegexObject::match(const Text& text) {
    matches_.clear();
    if (regex_) {
        matches_ = regex_->execute(text).matches;
    }
    last_count_ = static_cast<int>(matches_.size());
    return last_count_;
}

Text RegexObject::match_text(int index) const {
    if (index < 1 || index > static_cast<int>(matches_.size())) {
        return Text();
    }
    return matches_[index - 1].text;
}

Text RegexObject::submatch_text(int match_index, int group_index) const {
    if (match_index < 1 || match_index > static_cast<int>(matches_.size())) {
        return Text();
    }
    const std::vector<RegexGroup>& groups = matches_[match_index - 1].groups;
    if (group_index < 1 || group_index > static_cast<int>(groups.size())) {
        return Text();
    }
    return groups[group_index - 1].text;
}

int RegexObject::submatch_count() const {
    if (last_count_ == 0 || matches_.empty()) {
        return 0;
    }
    return static_cast<int>(matches_.front().groups.size());
}
