// The program in daily use: input made while it waits on the network is dropped, the
// stop button and the close box abort the wait, a saved line is used at once, and
// Qt's own texts are Chinese.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QMessageBox>
#include <QPushButton>
#include <chrono>

#include "app/settings.h"
#include "app/update_cycle.h"
#include "platform/events.h"
#include "support/fake_dns_api.h"
#include "support/scripted_server.h"
#include "ui/ip_line_window.h"
#include "ui/main_window.h"
#include "ui/ui_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// An IP line that sends its head and then nothing until the test ends.
ScriptedAnswer silent_after_head(const std::string&) {
    ScriptedAnswer answer;
    answer.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\nIP: ";
    answer.end = ScriptedAnswer::End::hold;
    return answer;
}

class BusyInput : public UiFixture {
  protected:
    void SetUp() override {
        UiFixture::SetUp();
        fake_.set_access_key("key-id", "key-secret");
        record_id_ = fake_.add_record("example.com", "www", "192.0.2.1");
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("DDNS_API_URL");
        set_modal_hook(nullptr);
        UiFixture::TearDown();
    }
    void write_config(const std::string& line_url) {
        write_file_bytes(settings_path(),
                         "[当前IP线路]\r\n线路=1\r\n[IP线路]\r\n线路1=" + line_url +
                             "\r\n[aliyun]\r\naccessKeyId=key-id\r\naccessSecret=key-secret\r\n"
                             "当前解析IP=192.0.2.1\r\n当前解析域名=example.com\r\n当前解析ID=" +
                             record_id_ + "\r\n当前主机记录=www\r\n");
    }

    FakeDnsApi fake_;
    std::string record_id_;
};

TEST_F(BusyInput, ClicksDuringACheckAreDroppedAndStopAbortsIt) {
    ScriptedServer line(silent_after_head);
    write_config(line.url("/ip"));
    MainWindow window;
    std::vector<Text> opened;
    set_modal_hook([&](Window& w) { opened.push_back(w.caption()); });
    const std::string file_before = file_text();

    // Half a second into the check: a click on the key window's button, then on stop.
    Timer clicker("点击");
    Clock::time_point clicked;
    clicker.on_tick([&] {
        clicker.set_period(0);
        window.api_key_button().post_user_click();
        window.stop_button().post_user_click();
        clicked = Clock::now();
    });
    clicker.set_period(500);
    window.start_button().click();
    const Clock::time_point ended = Clock::now();
    // Whatever is still queued now must not act either.
    pump_pending_input();

    EXPECT_TRUE(opened.empty());
    const TextArray lines = split_text(window.log_box().text(), "\r\n");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(right_text(lines.back(), 34), "********** 已停止解析IP **********");
    EXPECT_LT(ended - clicked, std::chrono::milliseconds(200));
    EXPECT_EQ(settings().is_running, 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(file_text(), file_before);
    EXPECT_FALSE(transfer_under_way());
}

// Stop clears the running flag at once, but the aborted transfer is still unwinding:
// a settings window opened now would change settings under the check.
TEST_F(BusyInput, AStoppedCheckStillRefusesTheSettingsWindows) {
    ScriptedServer line(silent_after_head);
    write_config(line.url("/ip"));
    MainWindow window;
    std::vector<Text> opened;
    set_modal_hook([&](Window& w) { opened.push_back(w.caption()); });
    Timer clicker("点击");
    int running_after_stop = -1;
    clicker.on_tick([&] {
        clicker.set_period(0);
        window.stop_button().click();
        running_after_stop = settings().is_running;
        window.api_key_button().click();
    });
    clicker.set_period(200);
    window.start_button().click();

    EXPECT_EQ(running_after_stop, 0);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(messages_, std::vector<Text>{"正在解析IP中，请停止解析后再进行操作"});
    // Once the check has ended, the same click opens the window.
    window.api_key_button().click();
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(BusyInput, TheCloseBoxEndsALineTest) {
    ScriptedServer quick([](const std::string&) { return http_answer("IP: 203.0.113.7"); });
    ScriptedServer silent(silent_after_head);
    write_config(quick.url("/ip"));
    IpLineWindow w;
    w.line_box(1).set_text(quick.url("/ip"));
    w.line_box(2).set_text(silent.url("/ip"));
    w.line_box(3).set_text(quick.url("/ip"));
    Timer closer("关闭");
    closer.on_tick([&] {
        closer.set_period(0);
        w.window().close();
    });
    closer.set_period(500);
    w.test_button().click();
    EXPECT_EQ(w.test_box().text(),
              "线路1测试：203.0.113.7\r\n线路2测试：已取消\r\n线路3测试：已取消\r\n"
              "线路4测试：已取消\r\n线路5测试：已取消\r\n线路6测试：已取消\r\n");
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(quick.accepted_connections(), 1);
}

TEST_F(BusyInput, ASavedLineIsProbedByTheNextCheck) {
    ScriptedServer line([](const std::string&) { return http_answer("IP: 203.0.113.7"); });
    write_config("");
    MainWindow window;
    {
        // The user types line 3, chooses it and saves.
        IpLineWindow w;
        w.line_radio(3).click();
        w.line_box(3).set_text(line.url("/ip"));
        w.save_button().click();
    }
    messages_.clear();
    window.start_button().click();
    EXPECT_TRUE(messages_.empty()) << (messages_.empty() ? "" : messages_[0]);
    EXPECT_EQ(line.accepted_connections(), 1);
    EXPECT_EQ(fake_.record(record_id_)->value, "203.0.113.7");
    // Reopened, the window shows what was saved.
    IpLineWindow again;
    EXPECT_EQ(again.line_box(3).text(), line.url("/ip"));
    EXPECT_TRUE(again.line_radio(3).is_selected());
}

TEST(QtTexts, StandardButtonsAndMenusAreChinese) {
    QMessageBox box;
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    EXPECT_TRUE(ok->text() == QString::fromUtf16(u"确定")) << "qt6-translations-l10n missing?";
}

}  // namespace
