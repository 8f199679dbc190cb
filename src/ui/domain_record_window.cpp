// The domain and record window.
#include "ui/domain_record_window.h"

#include <array>

#include "app/activity_log.h"
#include "app/api_session.h"
#include "app/settings.h"
#include "dnsapi/listings.h"
#include "platform/events.h"
#include "platform/transfer_abort.h"

namespace {

const Text kNotice =
    "注意：请先获取域名列表，再选择需要解析的域名获取解析，最后选择要解析的记录。\r\n"
    "      \r\n"
    "      当前只支持已经存在的A记录进行解析，且此记录需处于生效状态。";

struct RecordColumn {
    const char* header;
    int width;
    const char* member;
};

constexpr int kHostColumn = 0;
constexpr int kTypeColumn = 1;
constexpr int kValueColumn = 2;
constexpr int kStatusColumn = 4;
constexpr int kRecordIdColumn = 5;

const std::array<RecordColumn, 6> kRecordColumns = {{
    {"主机记录", 100, "RR"},
    {"记录类型", 70, "Type"},
    {"记录值", 120, "Value"},
    {"TTL", 50, "TTL"},
    {"状态", 70, "Status"},
    {"RecordId", 60, "RecordId"},
}};

}  // namespace

DomainRecordWindow::DomainRecordWindow()
    : window_("选择解析域名", 50, 50, 613, 349),
      get_domains_button_(window_, "按钮1", "获取域名", 10, 10, 90, 25),
      get_records_button_(window_, "按钮2", "获取解析", 120, 10, 90, 25),
      confirm_button_(window_, "按钮3", "确定", 231, 10, 90, 25),
      domain_list_(window_, "列表框1", 10, 41, 100, 220),
      record_list_(window_, "超级列表框1", 120, 41, 475, 220),
      notice_(window_, "标签1", kNotice, 8, 272, 480, 48) {
    for (const RecordColumn& column : kRecordColumns) {
        record_list_.add_column(column.header, column.width);
    }
    get_domains_button_.on_click([this] { on_get_domains(); });
    get_records_button_.on_click([this] { on_get_records(); });
    confirm_button_.on_click([this] { on_confirm(); });
}

void DomainRecordWindow::on_get_domains() {
    clear_transfer_abort();
    DnsApiClient client = api_client();
    Listing domains;
    {
        TransferScope busy;
        domains = describe_domains(client);
    }
    show_domains(domains.items);
    if (!domains.notice.empty()) {
        message_box(domains.notice);
    }
    // The rows shown belonged to a domain that is no longer selected.
    show_records(JsonDocument(JsonValue::array()));
    records_domain_.clear();
    if (!domains.error.empty()) {
        message_box(domains.error);
    }
}

void DomainRecordWindow::on_get_records() {
    const Text domain = domain_list_.selected_text();
    if (domain.empty()) {
        message_box(
            "请先获取域名列表后选择要解析的域名。\r\n如果没有获取到域名，请检查阿里云账号内是否有域"
            "名。");
        return;
    }
    clear_transfer_abort();
    DnsApiClient client = api_client();
    Listing records;
    {
        TransferScope busy;
        records = describe_domain_records(client, domain);
    }
    show_records(records.items);
    records_domain_ = domain;
    if (!records.notice.empty()) {
        message_box(records.notice);
    }
    if (!records.error.empty()) {
        message_box(records.error);
    }
}

void DomainRecordWindow::show_domains(const JsonDocument& domains) {
    domain_list_.clear();
    const int count = domains.count("");
    for (int i = 0; i < count; ++i) {
        const JsonDocument domain = domains.get_item_object(i, "");
        domain_list_.add(strip_quotes(domain.get_json("DomainName")));
    }
}

void DomainRecordWindow::show_records(const JsonDocument& records) {
    record_list_.clear_rows();
    locked_rows_.clear();
    const int count = records.count("");
    for (int i = 0; i < count; ++i) {
        const int row = record_list_.add_row();
        const JsonDocument record = records.get_item_object(i, "");
        locked_rows_.push_back(record.get_json("Locked") == "true");
        for (int column = 0; column < static_cast<int>(kRecordColumns.size()); ++column) {
            const char* member = kRecordColumns[static_cast<std::size_t>(column)].member;
            record_list_.set_cell(row, column, strip_quotes(record.get_json(member)));
        }
    }
}

void DomainRecordWindow::on_confirm() {
    const int row = record_list_.selected_row();
    if (row < 0) {
        message_box("请选择一行记录");
        return;
    }
    if (record_list_.cell(row, kTypeColumn) != "A") {
        message_box("只能选择A记录，即解析到IP地址");
        return;
    }
    // The service writes the status DISABLE, its documents also Disable.
    if (upper_text(record_list_.cell(row, kStatusColumn)) == "DISABLE") {
        message_box("当前记录不生效，请选择已生效的记录，或执行前往官网更改状态");
        return;
    }

    // Every later update of a locked record would fail.
    if (static_cast<std::size_t>(row) < locked_rows_.size() &&
        locked_rows_[static_cast<std::size_t>(row)]) {
        message_box("该记录已被锁定，请先在官网解锁后再选择");
        return;
    }
    if (domain_list_.selected_text().empty()) {
        message_box("请先选择域名");
        return;
    }

    Settings& s = settings();
    // The rows belong to the domain they were listed for, whatever is selected now.
    s.domain_name = records_domain_.empty() ? domain_list_.selected_text() : records_domain_;
    s.host_record = record_list_.cell(row, kHostColumn);
    s.resolved_ip = record_list_.cell(row, kValueColumn);
    s.record_id = record_list_.cell(row, kRecordIdColumn);

    using namespace settings_keys;
    const bool saved = write_settings(kAliyunSection, {{kResolvedIp, s.resolved_ip},
                                                       {kDomainName, s.domain_name},
                                                       {kRecordId, s.record_id},
                                                       {kHostRecord, s.host_record}});

    log_line("********** 已选择新的域名 **********");
    log_line("当前解析域名：" + s.domain_name);
    log_line("当前主机记录：" + s.host_record);
    log_line("当前解析IP：" + s.resolved_ip);
    log_line("当前解析ID：" + s.record_id);

    if (!saved) {
        message_box(kSettingsNotSaved);
    } else if (s.host_record == "@") {
        message_box("当前已选择：" + s.domain_name);
    } else {
        message_box("当前已选择：" + s.host_record + "." + s.domain_name);
    }
}
