// INI reading and writing over whole-file reads and atomic replacement.
#include "platform/profile.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace {

const Text kUtf8Bom = "\xEF\xBB\xBF";
const Text kUtf16LeBom("\xFF\xFE", 2);

// How a file's bytes hold its text. Names and values are converted at this edge; a
// UTF-16LE file is held as UTF-8 lines in between. The byte order mark, if any, stays.
struct Encoding {
    bool utf8 = false;  // the lines are UTF-8 (UTF-16LE files included)
    bool utf16 = false;
    bool byte_order_mark = false;

    Text to_file(const Text& gbk) const { return utf8 ? gbk_to_utf8_text(gbk) : gbk; }
    // `lossy` tells whether the text held characters (or broken bytes) GBK cannot hold.
    Text from_file(const Text& text, bool& lossy) const {
        lossy = false;
        if (is_ascii_text(text)) {
            return text;
        }
        if (utf8) {
            Text gbk = utf8_to_gbk_text(text);
            lossy = gbk_to_utf8_text(gbk) != text;
            return gbk;
        }
        lossy = utf8_to_gbk_text(gbk_to_utf8_text(text)) != text;
        return text;
    }
};

Text utf16le_to_utf8(const Text& bytes) {
    WideText wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return wide_to_multibyte(kCodePageUtf8, wide);
}

Text utf8_to_utf16le(const Text& utf8) {
    Text bytes;
    for (char16_t unit : multibyte_to_wide(kCodePageUtf8, utf8)) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

struct Line {
    Text content;  // without its line end
    Text ending;   // "\r\n", "\n", "\r" or "" for a last line without one
};

// Lines end with CR LF, LF or a lone CR.
std::vector<Line> split_lines(const Text& file) {
    std::vector<Line> lines;
    // A settings file is rewritten at every write; growing the vector line by line
    // would move every line again and again.
    lines.reserve(static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')) + 1);
    std::size_t from = 0;
    while (from < file.size()) {
        std::size_t end = file.find_first_of("\r\n", from);
        if (end == Text::npos) {
            lines.push_back({file.substr(from), ""});
            break;
        }
        std::size_t next = end + 1;
        if (file[end] == '\r' && next < file.size() && file[next] == '\n') {
            ++next;
        }
        lines.push_back({file.substr(from, end - from), file.substr(end, next - end)});
        from = next;
    }
    return lines;
}

// The first byte that is no blank, or 0: every line of every write is looked at, and a
// copy of each line there would dominate the write.
char first_non_blank(const Text& line) {
    const std::size_t at = line.find_first_not_of(" \t");
    return at == Text::npos ? '\0' : line[at];
}

// The bytes no write ever changes: every line but the values of key lines.
Text unchanging_bytes(const std::vector<Line>& lines) {
    Text kept;
    for (const Line& line : lines) {
        const char first = first_non_blank(line.content);
        const std::size_t eq = line.content.find('=');
        const bool header_or_comment = first == '[' || first == ';';
        kept += header_or_comment || eq == Text::npos ? line.content : line.content.substr(0, eq);
        kept += '\n';
    }
    return kept;
}

// The file's lines, a byte order mark taken off (and UTF-16LE text turned into UTF-8),
// and how the file is encoded. A mark decides; without one, the file is UTF-8 when its
// section headers, key names and other non-value lines are valid UTF-8 holding some
// non-ASCII text (a UTF-8 editor wrote them; GBK names such as the program's own never
// are), else GBK. Values are not looked at: a write changes only a value or adds names
// in the file's own encoding, so no write can change how the file is decoded later.
Encoding decode_file(Text file, std::vector<Line>& lines) {
    Encoding encoding;
    if (file.compare(0, kUtf16LeBom.size(), kUtf16LeBom) == 0) {
        file = utf16le_to_utf8(file.substr(kUtf16LeBom.size()));
        encoding.utf8 = encoding.utf16 = encoding.byte_order_mark = true;
    } else if (file.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) {
        file.erase(0, kUtf8Bom.size());
        encoding.utf8 = encoding.byte_order_mark = true;
    }
    lines = split_lines(file);
    if (!encoding.byte_order_mark) {
        encoding.utf8 = is_non_ascii_utf8(unchanging_bytes(lines));
    }
    return encoding;
}

// The name of a section header line, or nothing.
std::optional<Text> section_name(const Text& line, const Encoding& encoding) {
    if (first_non_blank(line) != '[') {
        return std::nullopt;
    }
    Text stripped = trim_blanks(line);
    if (stripped.empty() || stripped[0] != '[') {
        return std::nullopt;
    }
    // "]" is also a GBK trail byte, but never part of a UTF-8 sequence (nor of a line a
    // UTF-8 editor added to a GBK file).
    std::size_t close = stripped.find(']');
    if (!encoding.utf8 && !is_non_ascii_utf8(stripped)) {
        int at = find_text(stripped, "]", 2);
        close = at < 0 ? Text::npos : static_cast<std::size_t>(at) - 1;
    }
    if (close == Text::npos) {
        return std::nullopt;
    }
    return trim_blanks(stripped.substr(1, close - 1));
}

bool is_comment(const Text& line) {
    return first_non_blank(line) == ';';
}

// Key name and raw value of a key line, or nothing.
std::optional<std::pair<Text, Text>> key_line(const Text& line, const Encoding& encoding) {
    if (is_comment(line) || section_name(line, encoding)) {
        return std::nullopt;
    }
    std::size_t eq = line.find('=');
    if (eq == Text::npos) {
        return std::nullopt;
    }
    return std::make_pair(trim_blanks(line.substr(0, eq)), line.substr(eq + 1));
}

// False when `line` cannot be the key line of `key`, decided without copying the line:
// every line of the section is looked at by every read and write. (It may say true for
// a near miss; the caller then compares the names exactly.)
bool may_be_key_line_for(const Text& line, const Text& key) {
    const std::size_t eq = line.find('=');
    if (eq == Text::npos) {
        return false;
    }
    std::size_t begin = line.find_first_not_of(" \t");
    std::size_t end = eq;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t')) {
        --end;
    }
    if (begin >= end || end - begin != key.size()) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const auto a = static_cast<unsigned char>(line[begin + i] | 0x20);
        const auto b = static_cast<unsigned char>(key[i] | 0x20);
        if (a != b) {
            return false;
        }
    }
    return true;
}

Text unquote(const Text& raw) {
    Text value = trim_blanks(raw);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// A section's extent: [header, end) where end is the next header or the file end.
struct SectionRange {
    std::size_t header = 0;
    std::size_t end = 0;
};

// A section or key name as the file may spell it: in the file's own encoding and, in a
// GBK file, also in UTF-8, for the lines a UTF-8 editor added to it (nano on the
// daemon's /etc/ddns file); such a line's value is UTF-8 too.
struct FileName {
    Text own;
    Text utf8;  // empty when there is no second spelling
};

FileName file_name(const Text& gbk, const Encoding& encoding) {
    FileName name{encoding.to_file(gbk), Text()};
    if (!encoding.utf8 && !is_ascii_text(gbk)) {
        name.utf8 = gbk_to_utf8_text(gbk);
    }
    return name;
}

enum class Spelling { none, own, utf8 };

Spelling spelled(const Text& found, const FileName& name) {
    if (equal_ignoring_case(found, name.own)) {
        return Spelling::own;
    }
    return !name.utf8.empty() && equal_ignoring_case(found, name.utf8) ? Spelling::utf8
                                                                       : Spelling::none;
}

std::optional<SectionRange> find_section(const std::vector<Line>& lines, const FileName& section,
                                         const Encoding& encoding) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<Text> name = section_name(lines[i].content, encoding);
        if (name && spelled(*name, section) != Spelling::none) {
            std::size_t end = i + 1;
            while (end < lines.size() && !section_name(lines[end].content, encoding)) {
                ++end;
            }
            return SectionRange{i, end};
        }
    }
    return std::nullopt;
}

struct KeyAt {
    std::size_t line = 0;
    Spelling spelling = Spelling::none;
    std::pair<Text, Text> name_and_value;
};

// The first line of the section that sets `key`, in either spelling.
std::optional<KeyAt> find_key(const std::vector<Line>& lines, const SectionRange& range,
                              const FileName& key, const Encoding& encoding) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (!may_be_key_line_for(lines[i].content, key.own) &&
            (key.utf8.empty() || !may_be_key_line_for(lines[i].content, key.utf8))) {
            continue;
        }
        auto kv = key_line(lines[i].content, encoding);
        if (!kv) {
            continue;
        }
        const Spelling spelling = spelled(kv->first, key);
        if (spelling != Spelling::none) {
            return KeyAt{i, spelling, std::move(*kv)};
        }
    }
    return std::nullopt;
}

// The encoding of one line: a GBK file's line spelled in UTF-8 is UTF-8.
Encoding line_encoding(const Encoding& encoding, Spelling spelling) {
    Encoding line = encoding;
    line.utf8 = encoding.utf8 || spelling == Spelling::utf8;
    return line;
}

// A value is one line in the file; line breaks and zero bytes would split it.
Text one_line(const Text& value) {
    Text cleaned = value.substr(0, value.find('\0'));
    for (char& c : cleaned) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return cleaned;
}

Text join_lines(const std::vector<Line>& lines, const Encoding& encoding) {
    Text file;
    for (const Line& line : lines) {
        file += line.content;
        file += line.ending;
    }
    if (encoding.utf16) {
        return kUtf16LeBom + utf8_to_utf16le(file);
    }
    return encoding.byte_order_mark ? kUtf8Bom + file : file;
}

}  // namespace

Text read_profile_string(const Text& section, const Text& key, const Text& path) {
    bool lossy = false;
    return read_profile_string(section, key, path, lossy);
}

Text read_profile_string(const Text& section, const Text& key, const Text& path, bool& lossy) {
    lossy = false;
    Text file;
    if (!read_whole_file(path, file)) {
        return Text();
    }
    std::vector<Line> lines;
    const Encoding encoding = decode_file(std::move(file), lines);
    std::optional<SectionRange> range = find_section(lines, file_name(section, encoding), encoding);
    if (!range) {
        return Text();
    }
    std::optional<KeyAt> at = find_key(lines, *range, file_name(key, encoding), encoding);
    if (!at) {
        return Text();
    }
    return line_encoding(encoding, at->spelling)
        .from_file(unquote(at->name_and_value.second), lossy);
}

namespace {

// Sets [section] key = value in the lines of a file, as write_profile_string does.
void set_key(std::vector<Line>& lines, const Encoding& encoding, const Text& section,
             const Text& key, const Text& value) {
    const FileName section_in_file = file_name(section, encoding);
    const FileName key_in_file = file_name(key, encoding);
    const Text clean_value = encoding.to_file(one_line(value));
    const Text kCrLf = "\r\n";

    std::optional<SectionRange> range = find_section(lines, section_in_file, encoding);
    if (!range) {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = kCrLf;
        }
        lines.push_back({"[" + section_in_file.own + "]", kCrLf});
        lines.push_back({key_in_file.own + "=" + clean_value, kCrLf});
        return;
    }
    if (std::optional<KeyAt> at = find_key(lines, *range, key_in_file, encoding)) {
        lines[at->line].content = at->name_and_value.first + "=" +
                                  line_encoding(encoding, at->spelling).to_file(one_line(value));
        return;
    }
    // New key: after the section's last non-blank line.
    std::size_t at = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (first_non_blank(lines[i].content) != '\0') {
            at = i + 1;
        }
    }
    if (lines[at - 1].ending.empty()) {
        lines[at - 1].ending = kCrLf;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 Line{key_in_file.own + "=" + clean_value, kCrLf});
}

}  // namespace

bool write_profile_string(const Text& section, const Text& key, const Text& value,
                          const Text& path) {
    return write_profile_strings(section, {{key, value}}, path);
}

bool write_profile_strings(const Text& section, const std::vector<ProfileValue>& values,
                           const Text& path) {
    // Held from the read to the rename: a concurrent writer's key is never lost.
    FileUpdateLock lock(path);
    if (!lock.held()) {
        return false;
    }
    Text file;
    if (read_file_if_present(path, file) == FileRead::failed) {
        return false;
    }
    std::vector<Line> lines;
    const Encoding encoding = decode_file(std::move(file), lines);
    for (const ProfileValue& value : values) {
        set_key(lines, encoding, section, value.key, value.value);
    }
    return replace_file_atomically(path, join_lines(lines, encoding));
}
