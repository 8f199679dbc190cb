// Canonical order of query pieces.
#include "dnsapi/canonical_query.h"

#include <gtest/gtest.h>

namespace {

TEST(SortTexts, OrdersByUnsignedBytesPrefixFirst) {
    TextArray texts = {"b", "\xD6\xD0",          "ab",         "a", "B", "a",
                       "",  "SignatureMethod=x", "Signature=y"};
    const TextArray ascending = {"",  "B",  "Signature=y", "SignatureMethod=x", "a",
                                 "a", "ab", "b",           "\xD6\xD0"};
    sort_texts(texts);
    EXPECT_EQ(texts, ascending);
    sort_texts(texts, 1);
    EXPECT_EQ(texts, TextArray(ascending.rbegin(), ascending.rend()));
}

TEST(CanonicalQuery, SortsPiecesAndTreatsUnknownDirectionAsAscending) {
    const Text query = "Version=1&Action=X&AccessKeyId=id&Format=json";
    const Text sorted = "AccessKeyId=id&Action=X&Format=json&Version=1";
    EXPECT_EQ(canonical_query(query), sorted);
    EXPECT_EQ(canonical_query(query, 2), sorted);
    EXPECT_EQ(canonical_query(query, -1), sorted);
    EXPECT_EQ(canonical_query(query, 1), "Version=1&Format=json&Action=X&AccessKeyId=id");
    EXPECT_EQ(canonical_query(""), "");
}

}  // namespace
