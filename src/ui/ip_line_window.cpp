// The IP line window.
#include "ui/ip_line_window.h"

#include <string>
#include <vector>

#include "app/activity_log.h"
#include "app/ip_probe.h"
#include "app/settings.h"
#include "platform/events.h"
#include "platform/transfer_abort.h"

namespace {

constexpr int kRowHeight = 35;

RadioButton make_radio(Window& window, int line) {
    const Text n = std::to_string(line);
    return RadioButton(window, "单选框" + n, "线路" + n + "：", 10, 10 + (line - 1) * kRowHeight,
                       70, 25);
}

EditBox make_url_box(Window& window, int line) {
    return EditBox(window, "编辑框" + std::to_string(line), 70, 10 + (line - 1) * kRowHeight, 150,
                   25);
}

EditBoxStyle test_box_style() {
    EditBoxStyle style;
    style.multi_line = true;
    style.wrap_lines = true;
    style.vertical_scroll_bar = true;
    return style;
}

}  // namespace

IpLineWindow::IpLineWindow()
    : window_("公网IP获取线路", 50, 50, 466, 318),
      radios_{make_radio(window_, 1), make_radio(window_, 2), make_radio(window_, 3),
              make_radio(window_, 4), make_radio(window_, 5), make_radio(window_, 6)},
      url_boxes_{make_url_box(window_, 1), make_url_box(window_, 2), make_url_box(window_, 3),
                 make_url_box(window_, 4), make_url_box(window_, 5), make_url_box(window_, 6)},
      test_box_(window_, "测试编辑框", 240, 10, 208, 200, test_box_style()),
      notice_(window_, "标签1", "注意：如更改当前线路，或修改线路API，需先保存后再测试。", 10, 220,
              328, 20),
      save_button_(window_, "保存按钮", "保存", 72, 250, 88, 25),
      test_button_(window_, "测试按钮", "测试线路", 312, 250, 88, 25) {
    const Settings& s = settings();
    for (int line = 1; line <= kLines; ++line) {
        line_radio(line).on_click([line] { settings().current_line = line; });
        line_radio(line).set_selected(line == s.current_line);
        line_box(line).set_text(s.line_urls[static_cast<std::size_t>(line)]);
    }
    save_button_.on_click([this] { on_save(); });
    test_button_.on_click([this] { on_test(); });
}

void IpLineWindow::on_save() {
    // A "?" in place of what was typed would start a query and probe another page.
    for (int n = 1; n <= kLines; ++n) {
        if (!line_box(n).text_is_gbk()) {
            message_box("线路" + std::to_string(n) + "含有无法识别的字符，请修改后再试");
            return;
        }
    }
    Settings& s = settings();
    const Text line = std::to_string(s.current_line);
    bool saved = write_setting(settings_keys::kLineSection, settings_keys::kLineKey, line);
    std::vector<ProfileValue> urls;
    for (int n = 1; n <= kLines; ++n) {
        // What was saved is what the next check probes.
        s.line_urls[static_cast<std::size_t>(n)] = line_box(n).text();
        urls.push_back({settings_keys::url_key(n), line_box(n).text()});
    }
    saved = write_settings(settings_keys::kUrlSection, urls) && saved;
    log_line("********** 已选择新的IP线路 **********");
    log_line("当前IP线路：线路" + line);
    message_box(saved ? "保存成功，当前为线路" + line : kSettingsNotSaved);
}

void IpLineWindow::on_test() {
    test_box_.set_text("");
    clear_transfer_abort();
    {
        // Input made during the test is dropped; the close box aborts it.
        TransferScope busy;
        for (int n = 1; n <= kLines; ++n) {
            Text result = probe_ip_line(line_box(n).text());
            if (transfer_abort_requested()) {
                result = "已取消";
            }
            test_box_.append("线路" + std::to_string(n) + "测试：" + result + "\r\n");
            // Each result shows while the next line is still being probed.
            keep_windows_painted();
        }
    }
    if (transfer_abort_requested()) {
        return;
    }
    message_box("测试完毕。");
}
