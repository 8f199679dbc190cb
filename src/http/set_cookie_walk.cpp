// Reads the cookies that a response header block sets.
#include "http/set_cookie_walk.h"

#include "http/http_text.h"

TextArray set_cookie_pairs(const Text& raw_headers) {
    static const Text kMarker = "Set-Cookie:";
    TextArray pairs;
    int from = 1;
    for (;;) {
        int at = find_text(raw_headers, kMarker, from, true);
        if (at < 0) {
            break;
        }
        int start = at + static_cast<int>(kMarker.size());
        int semicolon = find_text(raw_headers, ";", start);
        int line_end = find_text(raw_headers, "\r\n", start);
        if (line_end < 0) {
            line_end = static_cast<int>(raw_headers.size()) + 1;
        }
        if (semicolon > 0 && semicolon < line_end) {
            pairs.push_back(
                trim_leading_blanks(mid_text(raw_headers, start, semicolon - start + 1)));
            from = semicolon + 1;
        } else {
            pairs.push_back(trim_leading_blanks(mid_text(raw_headers, start, line_end - start)) +
                            ";");
            from = line_end;
        }
        if (from > static_cast<int>(raw_headers.size())) {
            break;
        }
    }
    return pairs;
}

bool is_deleted_cookie_marker(const Text& pair) {
    Text tail = right_text(pair, 9);
    return tail == "=deleted;" || tail == "=DELETED;" || tail == "=Deleted;";
}
