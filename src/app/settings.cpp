// The settings record and its file.
#include "app/settings.h"

#include <vector>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace {

const Text kFileName = "/ddns_config.ini";

Text& settings_file_override() {
    static Text path;
    return path;
}

// A setting that held characters GBK cannot hold, with the text it was read as: it
// stays unreadable until something gives the field another value.
struct UnreadableSetting {
    Text key;
    const Text* field;
    Text as_read;
};

std::vector<UnreadableSetting>& unreadable_settings() {
    static std::vector<UnreadableSetting> list;
    return list;
}

bool& file_unreadable() {
    static bool unreadable = false;
    return unreadable;
}

void load_text(Text& field, const Text& section, const Text& key) {
    bool lossy = false;
    field = read_profile_string(section, key, settings_file_path(), lossy);
    if (lossy) {
        unreadable_settings().push_back({key, &field, field});
    }
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

namespace {

// The folders a package installs programs into: root may write them, but a settings
// file (holding the secret) does not belong there.
bool is_system_program_folder(const Text& folder) {
    for (const char* system : {"/usr/", "/bin", "/sbin", "/lib"}) {
        if (folder.rfind(system, 0) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

Text settings_file_path() {
    if (!settings_file_override().empty()) {
        return settings_file_override();
    }
    // Beside the executable, the portable way, wherever that can work; an installed
    // program keeps it in the user's configuration folder.
    const Text folder = executable_directory();
    if (file_exists(folder + kFileName) ||
        (folder_is_writable(folder) && !is_system_program_folder(folder))) {
        return folder + kFileName;
    }
    const Text config = user_config_directory();
    if (config.empty()) {
        return folder + kFileName;
    }
    make_private_folders(config + "/ddns");
    return config + "/ddns" + kFileName;
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

bool write_settings(const Text& section, const std::vector<ProfileValue>& values) {
    return write_profile_strings(section, values, settings_file_path());
}

const Text kSettingsNotSaved = "保存失败：配置文件无法写入，本次修改仅在程序退出前有效";

void write_default_settings() {
    using namespace settings_keys;
    write_setting(kLineSection, kLineKey, "1");
    write_setting(kUrlSection, url_key(1), kDefaultLineUrl1);
    write_setting(kUrlSection, url_key(2), kDefaultLineUrl2);
}

void load_settings() {
    using namespace settings_keys;
    Settings& s = settings();
    unreadable_settings().clear();
    Text content;
    file_unreadable() = read_file_if_present(settings_file_path(), content) == FileRead::failed;
    s.current_line = text_to_int(read_setting(kLineSection, kLineKey));
    for (int line = 1; line <= 6; ++line) {
        load_text(s.line_urls[static_cast<std::size_t>(line)], kUrlSection, url_key(line));
    }
    load_text(s.access_key_id, kAliyunSection, kAccessKeyId);
    load_text(s.access_secret, kAliyunSection, kAccessSecret);
    load_text(s.resolved_ip, kAliyunSection, kResolvedIp);
    load_text(s.domain_name, kAliyunSection, kDomainName);
    load_text(s.record_id, kAliyunSection, kRecordId);
    load_text(s.host_record, kAliyunSection, kHostRecord);
}

bool settings_file_unreadable() {
    return file_unreadable();
}

Text first_unreadable_setting() {
    for (const UnreadableSetting& setting : unreadable_settings()) {
        if (*setting.field == setting.as_read) {
            return setting.key;
        }
    }
    return Text();
}
