// Reads the cookies that a response header block sets.
#include "http/set_cookie_walk.h"

#include "base/header_block.h"

TextArray set_cookie_pairs(const Text& raw_headers) {
    TextArray pairs = header_values(raw_headers, "Set-Cookie");
    for (Text& value : pairs) {
        value = trim_blanks(value.substr(0, value.find(';'))) + ";";
    }
    return pairs;
}

bool is_deleted_cookie_marker(const Text& pair) {
    Text tail = right_text(pair, 9);
    return tail == "=deleted;" || tail == "=DELETED;" || tail == "=Deleted;";
}
