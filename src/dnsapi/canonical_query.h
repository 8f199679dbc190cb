// Canonical order of a query's name=value pieces: ascending by bytes.
#pragma once

#include "base/text.h"

// Sorts in place, ascending by unsigned bytes, a prefix before the longer text;
// `descending` 1 reverses the result.
void sort_texts(TextArray& texts, int descending = 0);
// The query split on "&", sorted and joined with "&". A `descending` other than 1
// counts as 0.
Text canonical_query(const Text& query, int descending = 0);
