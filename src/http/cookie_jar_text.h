// WinHttpClient's cookie jar text ("; a=1; b=2; ") taken apart once into its pieces with
// an index by name, so that merging n cookies into a jar of m costs n + m steps rather
// than n searches of the whole jar. The text put back together reads as the same edits
// made on the text one by one would leave it.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "base/text.h"

class CookieJarText {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit CookieJarText(const Text& jar);

    // The first cookie whose text begins with `name` and "=", where the jar's search for
    // "; name=" would find it; npos when there is none.
    std::size_t find(const Text& name);
    const Text& entry(std::size_t at) const { return pieces_[at]; }
    // True for the jar's last piece, which no "; " follows (an edit leaves it alone).
    bool is_last(std::size_t at) const { return at + 1 == pieces_.size(); }
    void replace(std::size_t at, const Text& entry) { pieces_[at] = entry; }
    // Drops the cookie together with one "; ".
    void remove(std::size_t at);
    // The jar's text followed by `entry` and "; ".
    void append(const Text& entry);
    // Drops the oldest cookies (the first in the jar) until at most `limit` are left.
    void keep_newest(std::size_t limit);
    Text text() const;

  private:
    void index(std::size_t at);

    // Piece 0 comes before the first "; " (empty in a well-formed jar); every later one
    // follows a "; ". Removed pieces stay as holes so that positions hold.
    std::vector<Text> pieces_;
    std::vector<bool> removed_;
    // The pieces of one name form a list in jar order: first and last by name, the next
    // one by piece.
    struct Places {
        std::size_t first;
        std::size_t last;
    };
    std::unordered_map<Text, Places> by_name_;
    std::vector<std::size_t> next_of_name_;
    std::size_t cookies_ = 0;
    std::size_t oldest_ = 1;
};
