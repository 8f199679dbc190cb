// The cookie jar text edited through an index by name.
#include "http/cookie_jar_text.h"

namespace {

const Text kSeparator = "; ";

}  // namespace

CookieJarText::CookieJarText(const Text& jar) {
    std::size_t from = 0;
    for (std::size_t at = jar.find(kSeparator); at != Text::npos; at = jar.find(kSeparator, from)) {
        pieces_.push_back(jar.substr(from, at - from));
        from = at + kSeparator.size();
    }
    pieces_.push_back(jar.substr(from));
    removed_.assign(pieces_.size(), false);
    next_of_name_.assign(pieces_.size(), npos);
    by_name_.reserve(pieces_.size());
    for (std::size_t at = 1; at < pieces_.size(); ++at) {
        index(at);
    }
    cookies_ = pieces_.size() < 2 ? 0 : pieces_.size() - 2;
}

void CookieJarText::index(std::size_t at) {
    std::size_t equals = pieces_[at].find('=');
    if (equals == Text::npos) {
        return;
    }
    auto [it, added] = by_name_.try_emplace(pieces_[at].substr(0, equals), Places{at, at});
    if (added) {
        return;
    }
    Places& places = it->second;
    if (places.first == npos) {
        places = Places{at, at};
    } else {
        next_of_name_[places.last] = at;
        places.last = at;
    }
}

std::size_t CookieJarText::find(const Text& name) {
    auto it = by_name_.find(name);
    if (it == by_name_.end()) {
        return npos;
    }
    // Removal only ever takes a name's first cookie, so holes gather at the front.
    Places& places = it->second;
    while (places.first != npos && removed_[places.first]) {
        places.first = next_of_name_[places.first];
    }
    return places.first;
}

void CookieJarText::remove(std::size_t at) {
    if (at == 0 || is_last(at) || removed_[at]) {
        return;
    }
    removed_[at] = true;
    --cookies_;
}

void CookieJarText::append(const Text& entry) {
    std::size_t last = pieces_.size() - 1;
    bool had_name = pieces_[last].find('=') != Text::npos;
    pieces_[last] += entry;
    // Piece 0 follows no "; ", so no search finds it, nor counts it as a cookie.
    if (last > 0) {
        if (!had_name) {
            index(last);
        }
        ++cookies_;
    }
    pieces_.emplace_back();
    removed_.push_back(false);
    next_of_name_.push_back(npos);
}

void CookieJarText::keep_newest(std::size_t limit) {
    while (cookies_ > limit && oldest_ + 1 < pieces_.size()) {
        if (!removed_[oldest_]) {
            removed_[oldest_] = true;
            --cookies_;
        }
        ++oldest_;
    }
}

Text CookieJarText::text() const {
    Text jar = pieces_[0];
    for (std::size_t at = 1; at < pieces_.size(); ++at) {
        if (!removed_[at]) {
            jar += kSeparator;
            jar += pieces_[at];
        }
    }
    return jar;
}
