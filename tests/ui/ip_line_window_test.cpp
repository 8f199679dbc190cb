// The IP line window: the chosen line and the stored URLs shown, radio buttons
// choosing the line in memory, saving the seven keys, and the six-line test.
#include "ui/ip_line_window.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QLineEdit>

#include "app/settings.h"
#include "ui/main_window.h"
#include "ui/ui_fixture.h"

namespace {

using IpLineWindowTest = UiFixture;

// Nothing listens on port 1 of the loopback address: the probe finds no address.
const Text kDeadUrl = "http://127.0.0.1:1/ip";

std::vector<int> selected_lines(IpLineWindow& w) {
    std::vector<int> lines;
    for (int n = 1; n <= IpLineWindow::kLines; ++n) {
        if (w.line_radio(n).is_selected()) {
            lines.push_back(n);
        }
    }
    return lines;
}

TEST_F(IpLineWindowTest, Layout) {
    IpLineWindow w;
    EXPECT_EQ(w.window().caption(), "公网IP获取线路");
    std::vector<Place> places;
    for (int n = 1; n <= IpLineWindow::kLines; ++n) {
        const Text number = std::to_string(n);
        EXPECT_EQ(w.line_radio(n).name(), "单选框" + number);
        EXPECT_EQ(w.line_radio(n).caption(), "线路" + number + "：");
        EXPECT_EQ(w.line_box(n).name(), "编辑框" + number);
        const int y = 10 + 35 * (n - 1);
        places.push_back({&w.line_radio(n), 10, y, 70, 25});
        places.push_back({&w.line_box(n), 70, y, 150, 25});
    }
    places.push_back({&w.test_box(), 240, 10, 208, 200});
    places.push_back({&w.notice(), 10, 220, 328, 20});
    places.push_back({&w.save_button(), 72, 250, 88, 25});
    places.push_back({&w.test_button(), 312, 250, 88, 25});
    expect_places(places);
    EXPECT_EQ(w.notice().text(), "注意：如更改当前线路，或修改线路API，需先保存后再测试。");
    EXPECT_EQ(w.save_button().caption(), "保存");
    EXPECT_EQ(w.test_button().caption(), "测试线路");
}

TEST_F(IpLineWindowTest, OpensOnTheCurrentLineAndStoredUrls) {
    const std::pair<int, std::vector<int>> cases[] = {{3, {3}}, {1, {1}}, {6, {6}},
                                                      {0, {}},  {7, {}},  {-1, {}}};
    for (int n = 1; n <= IpLineWindow::kLines; ++n) {
        settings().line_urls[static_cast<std::size_t>(n)] = "http://line" + std::to_string(n);
    }
    settings().line_urls[5] = "";
    for (const auto& [current, expected] : cases) {
        settings().current_line = current;
        IpLineWindow w;
        EXPECT_EQ(selected_lines(w), expected) << current;
        for (int n = 1; n <= IpLineWindow::kLines; ++n) {
            EXPECT_EQ(w.line_box(n).text(), settings().line_urls[static_cast<std::size_t>(n)]);
        }
    }
}

TEST_F(IpLineWindowTest, RadioButtonChoosesTheLineInMemoryOnly) {
    settings().current_line = 2;
    IpLineWindow w;
    w.line_radio(4).click();
    EXPECT_EQ(selected_lines(w), std::vector<int>{4});
    EXPECT_EQ(settings().current_line, 4);
    EXPECT_EQ(file_text(), "");
    EXPECT_TRUE(logged_.empty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(IpLineWindowTest, SaveWritesTheLineAndTheSixUrlsAsTheyStand) {
    settings().current_line = 1;
    settings().line_urls[1] = "http://old";
    IpLineWindow w;
    w.line_radio(5).click();
    const Text urls[] = {"", " http://a/ ", "https://b/?ip=&t=0", "", "不是网址", ""};
    for (int n = 1; n <= IpLineWindow::kLines; ++n) {
        w.line_box(n).set_text(urls[n - 1]);
    }
    w.save_button().click();
    EXPECT_EQ(file_text(),
              "[当前IP线路]\r\n线路=5\r\n[IP线路]\r\n线路1=\r\n线路2= http://a/ \r\n"
              "线路3=https://b/?ip=&t=0\r\n线路4=\r\n线路5=不是网址\r\n线路6=\r\n");
    EXPECT_EQ(logged_,
              (std::vector<Text>{"********** 已选择新的IP线路 **********", "当前IP线路：线路5"}));
    EXPECT_EQ(messages_, std::vector<Text>{"保存成功，当前为线路5"});
    // What was saved is what the program now probes.
    EXPECT_EQ(settings().line_urls[1], "");
    EXPECT_EQ(settings().line_urls[5], "不是网址");
    EXPECT_EQ(settings().current_line, 5);
}

TEST_F(IpLineWindowTest, LinesTheFileRefusesAreNoSuccess) {
    write_file_bytes(settings_path(), "");
    ASSERT_EQ(::chmod(settings_path().c_str(), 0444), 0);  // refused even for root
    IpLineWindow w;
    w.line_box(2).set_text("http://b/");
    w.save_button().click();
    ::chmod(settings_path().c_str(), 0600);
    EXPECT_EQ(messages_, std::vector<Text>{kSettingsNotSaved});
    EXPECT_EQ(file_text(), "");
    EXPECT_EQ(settings().line_urls[2], "http://b/");
}

// A URL with Hangul would read as ".../?" and probe another page: refused, nothing saved.
TEST_F(IpLineWindowTest, UrlsGbkCannotHoldAreRefused) {
    IpLineWindow w;
    const QList<QLineEdit*> boxes =
        static_cast<QWidget*>(w.window().native())->findChildren<QLineEdit*>();
    ASSERT_EQ(boxes.size(), IpLineWindow::kLines);
    boxes[2]->setText(QString::fromUtf8(u8"http://example.com/\uD55C"));
    w.save_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{"线路3含有无法识别的字符，请修改后再试"});
    EXPECT_EQ(file_text(), "");
    EXPECT_TRUE(logged_.empty());
}

TEST_F(IpLineWindowTest, SaveWithNoLineChosenWritesZero) {
    settings().current_line = 0;
    IpLineWindow w;
    w.save_button().click();
    EXPECT_EQ(read_setting(settings_keys::kLineSection, settings_keys::kLineKey), "0");
    EXPECT_EQ(messages_, std::vector<Text>{"保存成功，当前为线路0"});
}

TEST_F(IpLineWindowTest, TestProbesTheSixBoxesAndReplacesEarlierResults) {
    settings().current_line = 2;
    settings().line_urls[2] = "http://saved-but-not-shown";
    IpLineWindow w;
    w.line_box(1).set_text(kDeadUrl);
    w.line_box(2).set_text("");
    w.line_box(4).set_text(kDeadUrl);
    const Text expected =
        "线路1测试：线路失效\r\n线路2测试：线路api为空\r\n线路3测试：线路api为空\r\n"
        "线路4测试：线路失效\r\n线路5测试：线路api为空\r\n线路6测试：线路api为空\r\n";
    w.test_box().set_text("earlier text");
    for (int press = 0; press < 2; ++press) {
        messages_.clear();
        w.test_button().click();
        EXPECT_EQ(w.test_box().text(), expected);
        EXPECT_EQ(messages_, std::vector<Text>{"测试完毕。"});
    }
    EXPECT_TRUE(logged_.empty());
    EXPECT_EQ(file_text(), "");
    EXPECT_EQ(settings().current_line, 2);
    EXPECT_EQ(settings().line_urls[2], "http://saved-but-not-shown");
}

TEST_F(IpLineWindowTest, MainWindowOpensItModally) {
    MainWindow main_window;
    std::vector<Text> opened;
    set_modal_hook([&](Window& window) { opened.push_back(window.caption()); });
    main_window.ip_line_button().click();
    EXPECT_EQ(opened, std::vector<Text>{"公网IP获取线路"});
}

}  // namespace
