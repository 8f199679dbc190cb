// The layers as the code has them: every include in src/ points down the order
// base < platform < crypto, http, script < dnsapi < app < ui, never up or sideways, and
// only platform/ includes the headers of Qt, libcurl, PCRE2, iconv or the OS's sockets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> kRank = {
    {"base", 0},   {"platform", 1}, {"crypto", 2}, {"http", 2},
    {"script", 2}, {"dnsapi", 3},   {"app", 4},    {"ui", 5},
};

bool is_platform_only(const std::string& header) {
    static const std::regex kPlatformHeaders(
        R"((Q[A-Za-z]+|curl/.*|pcre2\.h|iconv\.h|sys/socket\.h|netinet/.*|windows\.h|winhttp\.h|wininet\.h))");
    return std::regex_match(header, kPlatformHeaders);
}

TEST(Layers, EveryIncludePointsDown) {
    const fs::path src = fs::path(DDNS_SOURCE_DIR) / "src";
    ASSERT_TRUE(fs::is_directory(src)) << src;
    const std::regex include_line(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string layer = fs::relative(entry.path(), src).begin()->string();
        ASSERT_TRUE(kRank.count(layer)) << "a folder outside the layer order: " << layer;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, include_line)) {
                continue;
            }
            const std::string header = match[2];
            const std::string where = entry.path().string() + ":" + std::to_string(number);
            if (match[1] == "<") {
                EXPECT_TRUE(layer == "platform" || !is_platform_only(header))
                    << where << " includes <" << header << ">, which only platform/ may";
                continue;
            }
            const std::string target = header.substr(0, header.find('/'));
            if (header.find('/') == std::string::npos || !kRank.count(target) || target == layer) {
                continue;
            }
            EXPECT_LT(kRank.at(target), kRank.at(layer))
                << where << ": " << layer << "/ includes " << header << " (up or sideways)";
        }
    }
    EXPECT_GT(files, 50);
}

}  // namespace
