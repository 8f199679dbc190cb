// The update cycle's start, stop and check.
#include "app/update_cycle.h"

#include "app/activity_log.h"
#include "app/settings.h"
#include "platform/events.h"
#include "platform/toolkit.h"

namespace {

constexpr int kCheckPeriodMs = 60000;

}  // namespace

UpdateCycle::UpdateCycle(Timer& timer) : timer_(timer) {}

bool UpdateCycle::start() {
    Settings& s = settings();
    if (s.access_key_id.empty() || s.access_secret.empty()) {
        message_box("请先设置阿里云API密钥！");
        return false;
    }
    if (s.domain_name.empty() || s.record_id.empty() || s.host_record.empty()) {
        message_box("请先去选择要解析的域名和记录");
        return false;
    }
    if (s.is_running == 1) {
        message_box("当前正在等待解析，如需停止请点击停止按钮。");
        return false;
    }
    s.is_running = 1;
    timer_.set_period(kCheckPeriodMs);
    log_line("********** 开始解析IP **********");
    check();
    return true;
}

void UpdateCycle::stop() {
    settings().is_running = 0;
    timer_.set_period(0);
    log_line("********** 已停止解析IP **********");
}

void UpdateCycle::check() {
    if (settings().is_running == 0 || checking_) {
        return;
    }
    if (timer_.period() == 0) {
        timer_.set_period(kCheckPeriodMs);
    }
}
