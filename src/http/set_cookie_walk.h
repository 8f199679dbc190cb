// Reads the cookies that a response header block sets, for WinHttpClient.
#pragma once

#include "base/text.h"

// The "name=value;" pair of every Set-Cookie header in order: the value up to its first
// ";" (or its end), blanks at both ends removed, bytes kept as they arrived.
TextArray set_cookie_pairs(const Text& raw_headers);
// True for a pair ending in "=deleted;", "=DELETED;" or "=Deleted;".
bool is_deleted_cookie_marker(const Text& pair);
