// The API key window.
#include "ui/api_key_window.h"

#include "app/activity_log.h"
#include "app/settings.h"
#include "platform/events.h"

ApiKeyWindow::ApiKeyWindow()
    : window_("阿里云API密钥", 50, 50, 337, 160),
      id_label_(window_, "标签1", "AccessKey ID：", 10, 10, 100, 25),
      id_box_(window_, "编辑框1", 120, 10, 200, 25),
      secret_label_(window_, "标签2", "AccessKey Secret：", 10, 50, 100, 24),
      secret_box_(window_, "编辑框2", 120, 50, 200, 25),
      save_button_(window_, "按钮1", "保存", 126, 90, 90, 25) {
    save_button_.on_click([this] { on_save(); });
    id_box_.set_text(settings().access_key_id);
    secret_box_.set_text(settings().access_secret);
}

void ApiKeyWindow::on_save() {
    // A "?" in place of what was typed would be a wrong key, saved as if right.
    const Text refused = !id_box_.text_is_gbk()       ? "AccessKey ID"
                         : !secret_box_.text_is_gbk() ? "AccessKey Secret"
                                                      : "";
    if (!refused.empty()) {
        message_box(refused + "含有无法识别的字符，请修改后再试");
        return;
    }
    Settings& s = settings();
    s.access_key_id = id_box_.text();
    s.access_secret = secret_box_.text();
    const bool saved = write_settings(settings_keys::kAliyunSection,
                                      {{settings_keys::kAccessKeyId, s.access_key_id},
                                       {settings_keys::kAccessSecret, s.access_secret}});
    log_line("********** 已选择新的阿里云密钥 **********");
    log_line("accessKeyId：" + s.access_key_id);
    log_line("accessSecret：" + s.access_secret);
    message_box(saved ? "保存成功" : kSettingsNotSaved);
}
