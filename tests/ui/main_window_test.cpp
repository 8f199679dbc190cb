// The main window: first and later starts, the settings summary, the window
// buttons' refusals, and the log box's bounded growth.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/app_fixture.h"

namespace {

// The log box's lines without their time stamps ("...：" prefix).
std::vector<Text> logged_texts(MainWindow& window) {
    std::vector<Text> texts;
    for (const Text& line : split_text(window.log_box().text(), "\r\n")) {
        int colon = find_text(line, "：");
        texts.push_back(colon < 0 ? line : mid_text(line, colon + 2));
    }
    return texts;
}

using MainWindowTest = AppFixture;

TEST_F(MainWindowTest, FirstStartWritesDefaultsAndLogsTheSummary) {
    MainWindow window;
    EXPECT_EQ(read_file_bytes(settings_path()),
              "[当前IP线路]\r\n线路=1\r\n[IP线路]\r\n线路1=" + kDefaultLineUrl1 +
                  "\r\n线路2=" + kDefaultLineUrl2 + "\r\n");
    EXPECT_EQ(logged_texts(window),
              (std::vector<Text>{
                  "********** 欢迎使用岚桥 **********", "配置文件不存在，创建默认配置文件....",
                  "配置文件初始化完毕。", "当前IP线路：线路1", "accessKeyId：", "accessSecret：",
                  "当前解析域名：", "当前主机记录：", "当前解析IP：", "当前解析ID："}));
    const Settings& s = settings();
    EXPECT_EQ(s.current_line, 1);
    EXPECT_EQ(s.line_urls[1], kDefaultLineUrl1);
    EXPECT_EQ(s.line_urls[2], kDefaultLineUrl2);
    EXPECT_EQ(s.line_urls[3], "");
    EXPECT_EQ(s.is_running, 0);
    EXPECT_EQ(window.timer().period(), 0);
    EXPECT_EQ(window.window().caption(), "岚桥动态域名v1.0 - BY 青禾");
    EXPECT_TRUE(kDefaultLineUrl1.find("https://") == 0 &&
                kDefaultLineUrl1.find("/api/index?ip=&type=0") != Text::npos);
}

TEST_F(MainWindowTest, LaterStartLogsStoredValues) {
    write_file_bytes(settings_path(),
                     "[当前IP线路]\r\n线路=3\r\n[aliyun]\r\naccessKeyId=id\r\naccessSecret=sec\r\n"
                     "当前解析IP=1.2.3.4\r\n当前解析域名=example.com\r\n当前解析ID=42\r\n"
                     "当前主机记录=www\r\n");
    MainWindow window;
    std::vector<Text> texts = logged_texts(window);
    ASSERT_EQ(texts.size(), 10u);
    EXPECT_EQ(texts[1], "配置文件已存在，开始读取配置文件...");
    EXPECT_EQ(std::vector<Text>(texts.begin() + 3, texts.end()),
              (std::vector<Text>{"当前IP线路：线路3", "accessKeyId：id", "accessSecret：sec",
                                 "当前解析域名：example.com", "当前主机记录：www",
                                 "当前解析IP：1.2.3.4", "当前解析ID：42"}));
}

TEST_F(MainWindowTest, LineNumberLoadsFromLeadingDigits) {
    const std::pair<Text, int> cases[] = {{"7", 7}, {"0", 0}, {"", 0}, {"abc", 0}, {"2x", 2}};
    for (const auto& [value, expected] : cases) {
        write_file_bytes(settings_path(), "[当前IP线路]\r\n线路=" + value + "\r\n");
        MainWindow window;
        EXPECT_EQ(settings().current_line, expected) << value;
    }
}

TEST_F(MainWindowTest, WindowButtonsRefuseWhileRunning) {
    MainWindow window;
    settings().access_key_id = "id";
    settings().access_secret = "secret";
    settings().is_running = 1;
    for (Button* button :
         {&window.ip_line_button(), &window.api_key_button(), &window.domain_button()}) {
        messages_.clear();
        button->click();
        EXPECT_EQ(messages_, std::vector<Text>{"正在解析IP中，请停止解析后再进行操作"})
            << button->caption();
    }
    // The running refusal comes before the key check.
    settings().access_secret = "";
    messages_.clear();
    window.domain_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{"正在解析IP中，请停止解析后再进行操作"});
}

TEST_F(MainWindowTest, DomainButtonNeedsBothKeys) {
    MainWindow window;
    const std::pair<Text, Text> keys[] = {{"", ""}, {"id", ""}, {"", "secret"}};
    for (const auto& [id, secret] : keys) {
        settings().access_key_id = id;
        settings().access_secret = secret;
        messages_.clear();
        window.domain_button().click();
        EXPECT_EQ(messages_, std::vector<Text>{"请先设置阿里云API密钥后再进行获取域名。"});
    }
}

TEST_F(MainWindowTest, ControlsWhereTheDesignPutsThem) {
    MainWindow window;
    struct Place {
        Control* control;
        int x, y, w, h;
    };
    const Place places[] = {
        {&window.start_button(), 10, 10, 80, 25},    {&window.stop_button(), 100, 10, 80, 25},
        {&window.ip_line_button(), 190, 10, 80, 25}, {&window.api_key_button(), 280, 10, 80, 25},
        {&window.domain_button(), 370, 10, 80, 25},  {&window.log_box(), 10, 45, 453, 248},
    };
    for (const Place& p : places) {
        int x, y, w, h;
        p.control->geometry(x, y, w, h);
        EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{p.x, p.y, p.w, p.h}))
            << p.control->name();
    }
}

// A program left running for months must not grow its log without end: beyond the
// bound the oldest lines go and the newest stay.
TEST_F(MainWindowTest, LogBoxIsBounded) {
    MainWindow window;
    EditBox& box = window.log_box();
    Text flood;
    for (int i = 1; i <= kLogBoxMaxLines + 50; ++i) {
        flood += "line " + std::to_string(i) + "\r\n";
    }
    box.append(flood);
    box.append("last");
    EXPECT_EQ(box.line_count(), kLogBoxMaxLines);
    const TextArray lines = split_text(box.text(), "\r\n");
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLogBoxMaxLines));
    EXPECT_EQ(lines.front(), "line 52");
    EXPECT_EQ(lines[lines.size() - 2], "line " + std::to_string(kLogBoxMaxLines + 50));
    EXPECT_EQ(lines.back(), "last");
}

}  // namespace
