// Code-page steps over the platform's converter.
#include "crypto/code_page_steps.h"

WideText to_wide_text(const Text& text, int code_page) {
    return multibyte_to_wide(code_page, text);
}

Text from_wide_text(const WideText& wide, int code_page) {
    return wide_to_multibyte(code_page, wide);
}

Text gbk_to_utf8(const Text& text) {
    // Below 0x80 both code pages are ASCII; most texts signed are, and this skips the converter.
    if (is_ascii_text(text)) {
        return text;
    }
    return from_wide_text(to_wide_text(text, kCodePageGbk), kCodePageUtf8);
}
