// INI reading and writing over whole-file reads and atomic replacement.
#include "platform/profile.h"

#include <optional>
#include <vector>

#include "platform/files.h"

namespace {

struct Line {
    Text content;  // without its line end
    Text ending;   // "\r\n", "\n" or "" for a last line without one
};

std::vector<Line> split_lines(const Text& file) {
    std::vector<Line> lines;
    std::size_t from = 0;
    while (from < file.size()) {
        std::size_t lf = file.find('\n', from);
        if (lf == Text::npos) {
            lines.push_back({file.substr(from), ""});
            break;
        }
        std::size_t end = lf;
        if (end > from && file[end - 1] == '\r') {
            --end;
        }
        lines.push_back({file.substr(from, end - from), file.substr(end, lf + 1 - end)});
        from = lf + 1;
    }
    return lines;
}

// The name of a section header line, or nothing.
std::optional<Text> section_name(const Text& line) {
    Text stripped = trim_blanks(line);
    if (stripped.empty() || stripped[0] != '[') {
        return std::nullopt;
    }
    std::size_t close = stripped.find(']');
    if (close == Text::npos) {
        return std::nullopt;
    }
    return trim_blanks(stripped.substr(1, close - 1));
}

bool is_comment(const Text& line) {
    Text stripped = trim_blanks(line);
    return !stripped.empty() && stripped[0] == ';';
}

// Key name and raw value of a key line, or nothing.
std::optional<std::pair<Text, Text>> key_line(const Text& line) {
    if (is_comment(line) || section_name(line)) {
        return std::nullopt;
    }
    std::size_t eq = line.find('=');
    if (eq == Text::npos) {
        return std::nullopt;
    }
    return std::make_pair(trim_blanks(line.substr(0, eq)), line.substr(eq + 1));
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

std::optional<SectionRange> find_section(const std::vector<Line>& lines, const Text& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<Text> name = section_name(lines[i].content);
        if (name && equal_ignoring_case(*name, section)) {
            std::size_t end = i + 1;
            while (end < lines.size() && !section_name(lines[end].content)) {
                ++end;
            }
            return SectionRange{i, end};
        }
    }
    return std::nullopt;
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

Text join_lines(const std::vector<Line>& lines) {
    Text file;
    for (const Line& line : lines) {
        file += line.content;
        file += line.ending;
    }
    return file;
}

}  // namespace

Text read_profile_string(const Text& section, const Text& key, const Text& path) {
    Text file;
    if (!read_whole_file(path, file)) {
        return Text();
    }
    std::vector<Line> lines = split_lines(file);
    std::optional<SectionRange> range = find_section(lines, section);
    if (!range) {
        return Text();
    }
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        auto kv = key_line(lines[i].content);
        if (kv && equal_ignoring_case(kv->first, key)) {
            return unquote(kv->second);
        }
    }
    return Text();
}

bool write_profile_string(const Text& section, const Text& key, const Text& value,
                          const Text& path) {
    Text file;
    if (file_exists(path) && !read_whole_file(path, file)) {
        return false;
    }
    std::vector<Line> lines = split_lines(file);
    const Text clean_value = one_line(value);
    const Text kCrLf = "\r\n";

    std::optional<SectionRange> range = find_section(lines, section);
    if (!range) {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = kCrLf;
        }
        lines.push_back({"[" + section + "]", kCrLf});
        lines.push_back({key + "=" + clean_value, kCrLf});
        return replace_file_atomically(path, join_lines(lines));
    }
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        auto kv = key_line(lines[i].content);
        if (kv && equal_ignoring_case(kv->first, key)) {
            lines[i].content = kv->first + "=" + clean_value;
            return replace_file_atomically(path, join_lines(lines));
        }
    }
    // New key: after the section's last non-blank line.
    std::size_t at = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (!trim_blanks(lines[i].content).empty()) {
            at = i + 1;
        }
    }
    if (lines[at - 1].ending.empty()) {
        lines[at - 1].ending = kCrLf;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 Line{key + "=" + clean_value, kCrLf});
    return replace_file_atomically(path, join_lines(lines));
}
