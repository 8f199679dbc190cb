// The update cycle's start, stop and check.
#include "app/update_cycle.h"

#include "app/activity_log.h"
#include "app/ip_probe.h"
#include "app/settings.h"
#include "dnsapi/dns_api_client.h"
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
    halt();
    log_line("********** 已停止解析IP **********");
}

void UpdateCycle::check() {
    Settings& s = settings();
    if (s.is_running == 0 || checking_) {
        return;
    }
    if (timer_.period() == 0) {
        timer_.set_period(kCheckPeriodMs);
    }
    checking_ = true;
    run_check();
    checking_ = false;
}

void UpdateCycle::halt() {
    settings().is_running = 0;
    timer_.set_period(0);
}

void UpdateCycle::run_check() {
    Settings& s = settings();
    Text ip = probe_public_ip();
    if (ip == kLineFailed) {
        halt();
        message_box("公网IP线路失效，请重新设置后再试");
        return;
    }
    if (ip == kLineEmpty) {
        halt();
        message_box("公网IP线路为空，请设置后再试");
        return;
    }
    log_line("当前公网IP：" + ip);
    log_line("当前解析IP：" + s.resolved_ip);
    if (s.resolved_ip == ip) {
        log_line("当前公网IP和解析IP相同。等待60s后再次检测...");
        return;
    }
    log_line("当前公网IP和解析IP不相同，开始修改解析...");
    UpdateOutcome outcome = DnsApiClient().update_domain_record(ip);
    if (!outcome.ok) {
        // The record keeps its old value: leave resolved_ip alone so the next check retries.
        log_line("修改解析失败：" + outcome.error);
        log_line("等待60s后再次检测...");
        return;
    }
    s.resolved_ip = ip;
    write_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp, ip);
    log_line("IP解析完毕，等待60s后再次检测...");
}
