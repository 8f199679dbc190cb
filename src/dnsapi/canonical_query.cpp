// Sorting of query pieces.
#include "dnsapi/canonical_query.h"

#include <algorithm>

void sort_texts(TextArray& texts, int descending) {
    // std::string compares its bytes as unsigned values, which is the order wanted.
    std::sort(texts.begin(), texts.end());
    if (descending == 1) {
        std::reverse(texts.begin(), texts.end());
    }
}

Text canonical_query(const Text& query, int descending) {
    TextArray pieces = split_text(query, "&");
    sort_texts(pieces, descending == 1 ? 1 : 0);
    return join_texts(pieces, "&");
}
