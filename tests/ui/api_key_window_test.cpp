// The API key window: the stored keys shown, saving to the record, the file
// and the log, and the main window opening it.
#include "ui/api_key_window.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QLineEdit>

#include "app/settings.h"
#include "ui/main_window.h"
#include "ui/ui_fixture.h"

namespace {

using ApiKeyWindowTest = UiFixture;

TEST_F(ApiKeyWindowTest, LayoutAndStoredKeys) {
    settings().access_key_id = "LTAIid";
    settings().access_secret = "s3cret";
    ApiKeyWindow w;
    EXPECT_EQ(w.window().caption(), "阿里云API密钥");
    EXPECT_EQ(w.id_label().text(), "AccessKey ID：");
    EXPECT_EQ(w.secret_label().text(), "AccessKey Secret：");
    EXPECT_EQ(w.save_button().caption(), "保存");
    expect_places({{&w.id_label(), 10, 10, 100, 25},
                   {&w.id_box(), 120, 10, 200, 25},
                   {&w.secret_label(), 10, 50, 100, 24},
                   {&w.secret_box(), 120, 50, 200, 25},
                   {&w.save_button(), 126, 90, 90, 25}});
    EXPECT_EQ(w.id_box().text(), "LTAIid");
    EXPECT_EQ(w.secret_box().text(), "s3cret");
    // Editing without saving changes nothing.
    w.id_box().set_text("other");
    EXPECT_EQ(settings().access_key_id, "LTAIid");
    EXPECT_EQ(file_text(), "");
    EXPECT_TRUE(logged_.empty());
}

TEST_F(ApiKeyWindowTest, SaveStoresLogsAndConfirmsEveryTime) {
    const std::pair<Text, Text> keys[] = {{"LTAI5t", "abc/+="}, {"", ""}, {" id ", "中文"}};
    for (const auto& [id, secret] : keys) {
        ApiKeyWindow w;
        w.id_box().set_text(id);
        w.secret_box().set_text(secret);
        for (int press = 0; press < 2; ++press) {
            logged_.clear();
            messages_.clear();
            w.save_button().click();
            EXPECT_EQ(settings().access_key_id, id);
            EXPECT_EQ(settings().access_secret, secret);
            EXPECT_EQ(file_text(),
                      "[aliyun]\r\naccessKeyId=" + id + "\r\naccessSecret=" + secret + "\r\n");
            EXPECT_EQ(logged_,
                      (std::vector<Text>{"********** 已选择新的阿里云密钥 **********",
                                         "accessKeyId：" + id, "accessSecret：" + secret}));
            EXPECT_EQ(messages_, std::vector<Text>{"保存成功"});
        }
    }
}

TEST_F(ApiKeyWindowTest, KeysTheFileRefusesAreNoSuccess) {
    write_file_bytes(settings_path(), "[aliyun]\r\naccessKeyId=old\r\n");
    ASSERT_EQ(::chmod(settings_path().c_str(), 0444), 0);  // refused even for root
    ApiKeyWindow w;
    w.id_box().set_text("new");
    w.save_button().click();
    ::chmod(settings_path().c_str(), 0600);
    EXPECT_EQ(messages_, std::vector<Text>{kSettingsNotSaved});
    EXPECT_EQ(file_text(), "[aliyun]\r\naccessKeyId=old\r\n");
    EXPECT_EQ(settings().access_key_id, "new");
}

// Pasted text GBK cannot hold would be saved as "?": refused, naming the box.
TEST_F(ApiKeyWindowTest, TextGbkCannotHoldIsRefused) {
    settings().access_key_id = "old";
    ApiKeyWindow w;
    const QList<QLineEdit*> boxes =
        static_cast<QWidget*>(w.window().native())->findChildren<QLineEdit*>();
    ASSERT_EQ(boxes.size(), 2);
    boxes[1]->setText(QString::fromUtf8(u8"secret\u00A0"));  // a pasted no-break space
    w.save_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{"AccessKey Secret含有无法识别的字符，请修改后再试"});
    EXPECT_EQ(settings().access_key_id, "old");
    EXPECT_EQ(file_text(), "");
}

TEST_F(ApiKeyWindowTest, MainWindowOpensItModally) {
    MainWindow main_window;
    settings().access_key_id = "kept";
    std::vector<Text> opened;
    set_modal_hook([&](Window& window) { opened.push_back(window.caption()); });
    main_window.api_key_button().click();
    EXPECT_EQ(opened, std::vector<Text>{"阿里云API密钥"});
    EXPECT_EQ(settings().access_key_id, "kept");
}

}  // namespace
