// The update cycle's start, stop and check.
#include "app/update_cycle.h"

#include "app/activity_log.h"
#include "app/api_session.h"
#include "app/ip_probe.h"
#include "app/settings.h"
#include "platform/event_loop.h"
#include "platform/events.h"
#include "platform/transfer_abort.h"

namespace {

// The record is read back at the first check and then once an hour, so that a change
// made in the console or a stale settings file is repaired.
constexpr int kReadBackEvery = 60;

const Text kFailedLine = "修改解析失败：";

// A stop (button or signal) aborted the transfer: the check ends writing nothing.
bool aborted() {
    return transfer_abort_requested();
}

}  // namespace

UpdateCycle::UpdateCycle(Timer& timer) : timer_(timer) {}

bool UpdateCycle::start() {
    // What an unreadable file gave is no setting: read it again, it may be mended by now.
    if (settings_file_unreadable()) {
        load_settings();
        if (settings_file_unreadable()) {
            message_box("配置文件无法读取，请检查配置文件的权限后再试");
            return false;
        }
    }
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
    // Sending "?" in place of what the user wrote would rename the record.
    const Text unreadable = first_unreadable_setting();
    if (!unreadable.empty()) {
        message_box("配置文件中的" + unreadable + "含有无法识别的字符，请修改后再试");
        return false;
    }
    s.is_running = 1;
    last_halt_ = Halt::none;
    checks_until_read_back_ = 0;
    timer_.set_period(period_ms_);
    log_line("********** 开始解析IP **********");
    check();
    return true;
}

void UpdateCycle::stop() {
    if (checking_) {
        request_transfer_abort();
    }
    settings().is_running = 0;
    timer_.set_period(0);
    log_line("********** 已停止解析IP **********");
}

void UpdateCycle::check() {
    Settings& s = settings();
    if (s.is_running == 0 || checking_) {
        return;
    }
    if (timer_.period() == 0) {
        timer_.set_period(period_ms_);
    }
    checking_ = true;
    last_outcome_ = Outcome::none;
    clear_transfer_abort();
    {
        // The whole check counts as one transfer: input made meanwhile is dropped.
        TransferScope busy;
        run_check();
    }
    checking_ = false;
}

void UpdateCycle::halt(Halt reason) {
    settings().is_running = 0;
    timer_.set_period(0);
    last_halt_ = reason;
    last_outcome_ = reason == Halt::line_failed ? Outcome::line_failed : Outcome::settings_needed;
}

void UpdateCycle::halt_for(const ApiVerdict& verdict) {
    if (!verdict.failure.empty()) {
        log_line(kFailedLine + verdict.failure);
    }
    halt(Halt::settings_needed);
    message_box(cause_message(verdict.cause));
}

UpdateCycle::ReadBack UpdateCycle::read_back_record() {
    Settings& s = settings();
    const RecordInfo info = api_client().describe_domain_record_info(s.record_id);
    if (aborted()) {
        return ReadBack::halted;
    }
    const ApiVerdict state = record_state_verdict(info);
    if (state.outcome == ApiOutcome::permanent) {
        halt_for(state);
        return ReadBack::halted;
    }
    if (state.outcome != ApiOutcome::success) {
        return ReadBack::unanswered;  // the stored value stands for this check
    }
    if (info.value != s.resolved_ip) {
        log_line("解析记录当前值：" + info.value);
        store_resolved_ip(info.value);
    }
    return ReadBack::read;
}

void UpdateCycle::store_resolved_ip(const Text& ip) {
    settings().resolved_ip = ip;
    // The record is right either way; an address left stale in the file costs one more
    // update after a restart, but the user must hear that the file refused it.
    if (!write_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp, ip)) {
        log_line("当前解析IP未能写入配置文件，请检查配置文件的权限");
    }
}

void UpdateCycle::run_check() {
    Settings& s = settings();
    Text ip = probe_public_ip();
    if (aborted()) {
        return;
    }
    if (ip == kLineFailed) {
        halt(Halt::line_failed);
        message_box("公网IP线路失效，请重新设置后再试");
        return;
    }
    if (ip == kLineEmpty) {
        halt(Halt::line_failed);
        message_box("公网IP线路为空，请设置后再试");
        return;
    }
    log_line("当前公网IP：" + ip);
    if (checks_until_read_back_ == 0) {
        const ReadBack read_back = read_back_record();
        if (read_back == ReadBack::halted) {
            return;
        }
        // A read-back that got no answer is tried again at the next check, not in an hour.
        checks_until_read_back_ = read_back == ReadBack::read ? kReadBackEvery : 1;
    }
    --checks_until_read_back_;
    log_line("当前解析IP：" + s.resolved_ip);
    if (s.resolved_ip == ip) {
        log_line("当前公网IP和解析IP相同。等待60s后再次检测...");
        last_outcome_ = Outcome::unchanged;
        return;
    }
    log_line("当前公网IP和解析IP不相同，开始修改解析...");
    const ApiVerdict verdict = api_client().update_domain_record(s.record_id, s.host_record, ip);
    if (aborted()) {
        return;
    }
    switch (verdict.outcome) {
        case ApiOutcome::success:
        case ApiOutcome::in_sync:
            store_resolved_ip(ip);
            log_line("IP解析完毕，等待60s后再次检测...");
            last_outcome_ = Outcome::updated;
            return;
        case ApiOutcome::transient:
            // The record keeps its old value: leave resolved_ip alone so the next check retries.
            log_line(kFailedLine + verdict.failure);
            log_line("等待60s后再次检测...");
            last_outcome_ = Outcome::transient;
            return;
        case ApiOutcome::permanent:
            halt_for(verdict);
            return;
    }
}
