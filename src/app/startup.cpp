// The start-up steps shared by the window and the headless mode.
#include "app/startup.h"

#include "app/activity_log.h"
#include "app/settings.h"
#include "platform/files.h"

Text masked_secret(const Text& secret) {
    constexpr std::size_t kShown = 4;
    if (secret.size() <= kShown) {
        return Text(secret.size(), '*');
    }
    return Text(secret.size() - kShown, '*') + secret.substr(secret.size() - kShown);
}

void initialise_settings_and_log(bool mask_secret) {
    log_line("********** 欢迎使用岚桥 **********");
    Text content;
    switch (read_file_if_present(settings_file_path(), content)) {
        case FileRead::read:
            log_line("配置文件已存在，开始读取配置文件...");
            break;
        case FileRead::missing:
            log_line("配置文件不存在，创建默认配置文件....");
            write_default_settings();
            break;
        case FileRead::failed:
            // Not "missing": defaults written over it would hide the user's file.
            log_line("配置文件无法读取，请检查配置文件的权限");
            break;
    }
    load_settings();
    log_line("配置文件初始化完毕。");
    const Settings& s = settings();
    log_line("当前IP线路：线路" + std::to_string(s.current_line));
    log_line("accessKeyId：" + s.access_key_id);
    log_line("accessSecret：" + (mask_secret ? masked_secret(s.access_secret) : s.access_secret));
    log_line("当前解析域名：" + s.domain_name);
    log_line("当前主机记录：" + s.host_record);
    log_line("当前解析IP：" + s.resolved_ip);
    log_line("当前解析ID：" + s.record_id);
}
