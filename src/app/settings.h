// The one process-wide settings record and the settings file that keeps it
// (section and key names in one table below).
#pragma once

#include <array>
#include <vector>

#include "base/text.h"
#include "platform/profile.h"

struct Settings {
    Text access_key_id;
    Text access_secret;
    Text domain_name;
    Text record_id;
    Text host_record;
    int is_running = 0;
    Text resolved_ip;
    int current_line = 0;
    std::array<Text, 7> line_urls;  // positions 1..6; [0] is unused
};

Settings& settings();

// The settings file's sections and keys.
namespace settings_keys {
inline const Text kLineSection = "当前IP线路";
inline const Text kLineKey = "线路";
inline const Text kUrlSection = "IP线路";
inline const Text kAliyunSection = "aliyun";
inline const Text kAccessKeyId = "accessKeyId";
inline const Text kAccessSecret = "accessSecret";
inline const Text kResolvedIp = "当前解析IP";
inline const Text kDomainName = "当前解析域名";
inline const Text kRecordId = "当前解析ID";
inline const Text kHostRecord = "当前主机记录";
// Key of IP line n (1..6): 线路1 .. 线路6.
Text url_key(int line);
}  // namespace settings_keys

// The two IP lines a new settings file starts with.
extern const Text kDefaultLineUrl1;
extern const Text kDefaultLineUrl2;

// The file the command line named; else ddns_config.ini beside the executable when
// one is there or that folder is writable; else $XDG_CONFIG_HOME/ddns/ddns_config.ini
// (~/.config/ddns/), its folder created private to the user when missing.
Text settings_file_path();
void set_settings_file_override(const Text& path);

// Reads or writes one key of the settings file; a missing key reads as empty.
Text read_setting(const Text& section, const Text& key);
bool write_setting(const Text& section, const Text& key, const Text& value);
// Several keys of one section in one replacement of the file: a crash never leaves a
// new RecordId beside an old host record, or a new key id beside an old secret.
bool write_settings(const Text& section, const std::vector<ProfileValue>& values);
// What a window says when the file refused a change: it holds until the program ends.
extern const Text kSettingsNotSaved;

void write_default_settings();
void load_settings();
// The key of the first setting load_settings() found holding characters GBK cannot
// hold, while its field still has the text it was read as; empty when there is none.
Text first_unreadable_setting();
// True when load_settings() found the file there but could not read it (permissions,
// an I/O error): its empty values are then no word about what the file holds.
bool settings_file_unreadable();
