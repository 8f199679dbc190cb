// The main window and its creation handler.
#include "ui/main_window.h"

#include "app/activity_log.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/update_cycle.h"
#include "platform/events.h"
#include "ui/api_key_window.h"
#include "ui/domain_record_window.h"
#include "ui/ip_line_window.h"

namespace {

const Text kBusyRefusal = "正在解析IP中，请停止解析后再进行操作";

EditBoxStyle log_box_style() {
    EditBoxStyle style;
    style.multi_line = true;
    style.read_only = true;
    style.wrap_lines = true;
    style.custom_colours = true;
    style.text_colour = {0, 255, 0};
    style.background = {0, 0, 0};
    style.max_lines = kLogBoxMaxLines;
    return style;
}

}  // namespace

MainWindow::MainWindow()
    : window_("岚桥动态域名v1.0 - BY 青禾", 50, 50, 480, 334),
      start_button_(window_, "按钮3", "开始解析", 10, 10, 80, 25),
      stop_button_(window_, "按钮5", "停止解析", 100, 10, 80, 25),
      ip_line_button_(window_, "按钮1", "公网IP线路", 190, 10, 80, 25),
      api_key_button_(window_, "按钮2", "阿里云密钥", 280, 10, 80, 25),
      domain_button_(window_, "按钮4", "域名列表", 370, 10, 80, 25),
      log_box_(window_, "编辑框1", 10, 45, 453, 248, log_box_style()),
      timer_(window_, "时钟1"),
      cycle_(std::make_unique<UpdateCycle>(timer_)) {
    start_button_.on_click([this] { cycle_->start(); });
    stop_button_.on_click([this] { cycle_->stop(); });
    stop_button_.let_through_while_busy();
    ip_line_button_.on_click([this] { on_ip_line_window(); });
    api_key_button_.on_click([this] { on_api_key_window(); });
    domain_button_.on_click([this] { on_domain_window(); });
    timer_.on_tick([this] { cycle_->check(); });
    on_create();
}

MainWindow::~MainWindow() {
    set_log_sink(nullptr);
}

void MainWindow::on_create() {
    set_log_sink([this](const Text& piece) { log_box_.append(piece); });
    initialise_settings_and_log();
    settings().is_running = 0;
    timer_.set_period(0);
}

// A check that was stopped may still be finishing; settings must not change under it.
bool MainWindow::is_busy() const {
    return settings().is_running == 1 || cycle_->is_checking();
}

void MainWindow::on_ip_line_window() {
    if (is_busy()) {
        message_box(kBusyRefusal);
        return;
    }
    IpLineWindow ip_line_window;
    ip_line_window.window().run_modal();
}

void MainWindow::on_api_key_window() {
    if (is_busy()) {
        message_box(kBusyRefusal);
        return;
    }
    ApiKeyWindow api_key_window;
    api_key_window.window().run_modal();
}

void MainWindow::on_domain_window() {
    const Settings& s = settings();
    if (is_busy()) {
        message_box(kBusyRefusal);
        return;
    }
    if (s.access_key_id.empty() || s.access_secret.empty()) {
        message_box("请先设置阿里云API密钥后再进行获取域名。");
        return;
    }
    DomainRecordWindow domain_record_window;
    domain_record_window.window().run_modal();
}
