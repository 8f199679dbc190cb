// Reads an HTTP header block as bytes: the block is cut into lines first, so that no byte
// of a value (a GBK lead byte, raw UTF-8) can hide a line end, and only then is each
// line's name and value read.
#pragma once

#include <optional>

#include "base/text.h"

// Lines end at CR LF, a lone LF or a lone CR. A line that is no "name: value" field (the
// status line, a name that is not a token) is skipped; a line beginning with a blank
// continues the field before it (obsolete folding, joined with one blank); empty lines
// are skipped, so a list of header lines reads like a block. Values lose the blanks at
// both ends and keep every other byte as it arrived; names match whole, ASCII case ignored.
std::optional<Text> header_value(const Text& block, const Text& name);
TextArray header_values(const Text& block, const Text& name);
