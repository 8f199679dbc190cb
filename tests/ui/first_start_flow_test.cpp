// From a first start in an empty folder, every setting is made in the program's
// own windows, found by their control names, and the update cycle then keeps the
// record in step with the public address.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include "app/settings.h"
#include "platform/events.h"
#include "platform/toolkit.h"
#include "support/fake_dns_api.h"
#include "support/loopback_server.h"
#include "ui/main_window.h"
#include "ui_fixture.h"

namespace {

template <typename T>
T& control(Window& window, const Text& name) {
    T* found = dynamic_cast<T*>(window.control(name));
    if (found == nullptr) {
        ADD_FAILURE() << "no control " << name << " in " << window.caption();
        std::abort();
    }
    return *found;
}

class FirstStartFlow : public UiFixture {
  protected:
    void SetUp() override {
        UiFixture::SetUp();
        fake_.set_access_key("LTAI5tKey", "SecretWith+/=");
        fake_.add_domain("example.com");
        fake_.add_record("example.com", "home", "198.51.100.1", "A", "ENABLE", "4001");
        fake_.add_record("example.com", "www", "198.51.100.9", "A", "ENABLE", "4002");
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
        ip_page_.server().Get("/ip", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            res.set_content("Your IP: " + public_ip_, "text/plain");
        });
        ASSERT_TRUE(ip_page_.start());
    }
    void TearDown() override {
        unsetenv("DDNS_API_URL");
        UiFixture::TearDown();
    }
    void set_public_ip(const std::string& ip) {
        std::lock_guard<std::mutex> lock(mutex_);
        public_ip_ = ip;
    }
    // Opens a settings window with its button and runs `use` on it instead of its loop.
    void with_window(Button& opener, const std::function<void(Window&)>& use) {
        bool opened = false;
        set_modal_hook([&](Window& window) {
            opened = true;
            use(window);
        });
        opener.click();
        set_modal_hook(nullptr);
        ASSERT_TRUE(opened) << opener.caption();
    }

    FakeDnsApi fake_;
    LoopbackServer ip_page_;
    std::mutex mutex_;
    std::string public_ip_ = "203.0.113.5";
};

TEST_F(FirstStartFlow, SettingsMadeInTheWindowsDriveTheCycle) {
    MainWindow main;
    messages_.clear();

    with_window(main.api_key_button(), [](Window& w) {
        control<EditBox>(w, "编辑框1").set_text("LTAI5tKey");
        control<EditBox>(w, "编辑框2").set_text("SecretWith+/=");
        control<Button>(w, "按钮1").click();
    });
    EXPECT_EQ(messages_, std::vector<Text>{"保存成功"});

    with_window(main.ip_line_button(), [this](Window& w) {
        control<EditBox>(w, "编辑框3").set_text(ip_page_.url("/ip"));
        control<RadioButton>(w, "单选框3").click();
        control<Button>(w, "保存按钮").click();
    });
    EXPECT_EQ(settings().current_line, 3);
    // A saved URL takes effect at once.
    EXPECT_EQ(settings().line_urls[3], ip_page_.url("/ip"));

    with_window(main.domain_button(), [](Window& w) {
        control<Button>(w, "按钮1").click();
        ListBox& domains = control<ListBox>(w, "列表框1");
        ASSERT_EQ(domains.count(), 1);
        domains.select(0);
        control<Button>(w, "按钮2").click();
        ListView& records = control<ListView>(w, "超级列表框1");
        ASSERT_EQ(records.row_count(), 2);
        records.select_row(0);
        control<Button>(w, "按钮3").click();
    });
    EXPECT_EQ(settings().record_id, "4001");
    EXPECT_EQ(settings().host_record, "home");
    EXPECT_EQ(settings().resolved_ip, "198.51.100.1");

    messages_.clear();
    main.start_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{});
    EXPECT_EQ(fake_.record("4001")->value, "203.0.113.5");
    EXPECT_EQ(read_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp),
              "203.0.113.5");

    set_public_ip("203.0.113.77");
    main.timer().fire();
    EXPECT_EQ(fake_.record("4001")->value, "203.0.113.77");
    main.timer().fire();
    EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 2);
    EXPECT_TRUE(
        main.log_box().text().ends_with("当前公网IP和解析IP相同。等待60s后再次检测...\r\n"));

    main.stop_button().click();
    EXPECT_EQ(settings().is_running, 0);
    EXPECT_EQ(main.timer().period(), 0);
    // The file now holds every setting made above.
    for (const Text& key :
         {settings_keys::kAccessKeyId, settings_keys::kAccessSecret, settings_keys::kDomainName,
          settings_keys::kRecordId, settings_keys::kHostRecord}) {
        EXPECT_FALSE(read_setting(settings_keys::kAliyunSection, key).empty()) << key;
    }
}

}  // namespace
