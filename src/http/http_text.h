// Text helpers of the one-shot web request: URL parts, header names, markers and
// cookie texts ("name=value" pairs joined by "; ").
#pragma once

#include "base/text.h"

// Capitalises the words of each header name ("x-forwarded-for:" -> "X-Forwarded-For:");
// lines without ":" are dropped, lines joined by CR LF without a trailing one.
Text normalize_header_names(const Text& headers);
Text capitalize_first(const Text& text);
// The text without the spaces it begins with.
Text trim_leading_blanks(const Text& text);
// The bytes between the first `start` and the next `end` after it; empty when either is absent.
Text text_between(const Text& text, const Text& start, const Text& end);
Text text_after_colon(const Text& text);
// Empty when the marker is absent or begins the text; the whole text for an empty marker.
Text text_before(const Text& text, const Text& marker);

// Lower-cased host; "http://" assumed when the URL names no scheme.
Text url_host(const Text& url, bool keep_port = false);
int url_port(const Text& url);
// From the first "/" after the host, query included; "/" when there is none.
Text url_path(const Text& url);

// Merges the sent cookies into the received ones (the server's value wins, "=deleted"
// pairs dropped, repeats removed); both variables are updated, the result is also
// left in `sent`.
Text merge_cookie_text(Text& sent, Text& received);
Text cookie_name(const Text& pair);
bool has_cookie_name(const TextArray& pairs, const Text& name);
Text remove_duplicate_items(const Text& text, const Text& separator);
// 1-based index of the first equal item, -1 when none.
int find_item(const TextArray& items, const Text& text);
