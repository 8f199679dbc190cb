// The settings record and its file.
#include "app/settings.h"

#include "platform/files.h"
#include "platform/profile.h"

namespace {

Text& settings_file_override() {
    static Text path;
    return path;
}

}  // namespace

const Text kDefaultLineUrl1 = "https://www.ip.cn/api/index?ip=&type=0";
const Text kDefaultLineUrl2 = "https://myip.ipip.net/";

Settings& settings() {
    static Settings instance;
    return instance;
}

Text settings_keys::url_key(int line) {
    return kLineKey + std::to_string(line);
}

Text settings_file_path() {
    if (!settings_file_override().empty()) {
        return settings_file_override();
    }
    return executable_directory() + "/ddns_config.ini";
}

void set_settings_file_override(const Text& path) {
    settings_file_override() = path;
}

Text read_setting(const Text& section, const Text& key) {
    return read_profile_string(section, key, settings_file_path());
}

bool write_setting(const Text& section, const Text& key, const Text& value) {
    return write_profile_string(section, key, value, settings_file_path());
}

void write_default_settings() {
    using namespace settings_keys;
    write_setting(kLineSection, kLineKey, "1");
    write_setting(kUrlSection, url_key(1), kDefaultLineUrl1);
    write_setting(kUrlSection, url_key(2), kDefaultLineUrl2);
}

void load_settings() {
    using namespace settings_keys;
    Settings& s = settings();
    s.current_line = text_to_int(read_setting(kLineSection, kLineKey));
    for (int line = 1; line <= 6; ++line) {
        s.line_urls[static_cast<std::size_t>(line)] = read_setting(kUrlSection, url_key(line));
    }
    s.access_key_id = read_setting(kAliyunSection, kAccessKeyId);
    s.access_secret = read_setting(kAliyunSection, kAccessSecret);
    s.resolved_ip = read_setting(kAliyunSection, kResolvedIp);
    s.domain_name = read_setting(kAliyunSection, kDomainName);
    s.record_id = read_setting(kAliyunSection, kRecordId);
    s.host_record = read_setting(kAliyunSection, kHostRecord);
}
