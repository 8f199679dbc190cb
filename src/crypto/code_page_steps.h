// The two conversion steps between the program's GBK texts and UTF-8, through UTF-16.
#pragma once

#include "base/text.h"
#include "platform/codepage.h"

// The text read in `code_page`; a conversion that cannot be made gives empty wide text.
WideText to_wide_text(const Text& text, int code_page = kCodePageUtf8);
// The wide text written in `code_page` (0: the ANSI code page).
Text from_wide_text(const WideText& wide, int code_page = kCodePageAnsi);
// GBK text as UTF-8 bytes, held in a Text but never shown.
Text gbk_to_utf8(const Text& text);
