// Code-page conversion between byte texts and UTF-16, as the system's
// multi-byte/wide-character functions do it. Code pages: 936 (GBK), 65001
// (UTF-8), 0 (the ANSI code page, which is GBK here).
#pragma once

#include <string>
#include <vector>

#include "base/text.h"

using WideText = std::u16string;

constexpr int kCodePageAnsi = 0;
constexpr int kCodePageGbk = 936;
constexpr int kCodePageUtf8 = 65001;

// Invalid input bytes become U+FFFD; an unknown code page gives empty text.
WideText multibyte_to_wide(int code_page, const Text& text);
// Characters the code page cannot hold become "?".
Text wide_to_multibyte(int code_page, const WideText& wide);

// Shorthands for the edges of the program (toolkit, network, terminal).
Text gbk_to_utf8_text(const Text& gbk);
Text utf8_to_gbk_text(const Text& utf8);

// GBK text as UTF-8 together with, for every UTF-8 byte, the GBK byte offset of the
// character it came from (one more entry for the end), so positions found in the UTF-8
// can be mapped back. Characters split as the lead-byte rule splits them; one that does
// not convert becomes a single U+FFFD.
struct MappedUtf8 {
    std::string utf8;
    std::vector<int> gbk_offset;
};
MappedUtf8 gbk_to_mapped_utf8(const Text& gbk);
