// The toolkit's controls: GBK text at the boundary, line ends, bounded edit
// boxes, radio groups, lists and the timer's period.
#include "platform/toolkit.h"

#include <gtest/gtest.h>

namespace {

TEST(Toolkit, EditBoxesKeepGbkTextAndCrLf) {
    Window window("窗口", 50, 50, 300, 200);
    EditBox line(window, "编辑框1", 0, 0, 100, 25);
    line.set_text("中文 text");
    EXPECT_EQ(line.text(), "中文 text");

    EditBoxStyle style;
    style.multi_line = true;
    style.read_only = true;
    style.max_lines = 5;
    EditBox box(window, "编辑框2", 0, 30, 200, 100, style);
    box.append("一\r\n");
    box.append("二");
    box.append("\r\n");
    EXPECT_EQ(box.text(), "一\r\n二\r\n");
    for (int i = 0; i < 20; ++i) {
        box.append("line " + std::to_string(i) + "\r\n");
    }
    EXPECT_LE(box.line_count(), 5);
    EXPECT_EQ(box.text(), "line 16\r\nline 17\r\nline 18\r\nline 19\r\n");
    box.set_text("");
    EXPECT_EQ(box.text(), "");
}

TEST(Toolkit, RadioButtonsFormOneGroupAndCanAllBeCleared) {
    Window window("w", 0, 0, 300, 200);
    RadioButton a(window, "单选框1", "线路1：", 0, 0, 70, 25);
    RadioButton b(window, "单选框2", "线路2：", 0, 30, 70, 25);
    int clicks = 0;
    b.on_click([&] { ++clicks; });
    a.set_selected(true);
    b.click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.is_selected());
    EXPECT_FALSE(a.is_selected());
    b.set_selected(false);
    EXPECT_FALSE(a.is_selected() || b.is_selected());
}

TEST(Toolkit, ListsHoldRowsAndSelection) {
    Window window("w", 0, 0, 600, 300);
    ListBox list(window, "列表框1", 0, 0, 100, 200);
    EXPECT_EQ(list.selected_text(), "");
    list.add("例子.com");
    list.add("b.com");
    list.select(0);
    EXPECT_EQ(list.selected_text(), "例子.com");
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.selected_text(), "");

    ListView view(window, "超级列表框1", 120, 0, 400, 200);
    view.add_column("主机记录", 80);
    view.add_column("记录值", 120);
    EXPECT_EQ(view.column_title(0), "主机记录");
    EXPECT_EQ(view.column_width(1), 120);
    EXPECT_EQ(view.selected_row(), -1);
    int row = view.add_row();
    view.set_cell(row, 1, "1.2.3.4");
    EXPECT_EQ(view.cell(0, 1), "1.2.3.4");
    view.select_row(0);
    EXPECT_EQ(view.selected_row(), 0);
    view.clear_rows();
    EXPECT_EQ(view.row_count(), 0);
    EXPECT_EQ(view.selected_row(), -1);
}

TEST(Toolkit, TimerPeriodZeroMeansStopped) {
    Window window("w", 0, 0, 100, 100);
    Timer timer(window, "时钟1");
    int ticks = 0;
    timer.on_tick([&] { ++ticks; });
    EXPECT_EQ(timer.period(), 0);
    timer.set_period(60000);
    EXPECT_EQ(timer.period(), 60000);
    timer.fire();
    EXPECT_EQ(ticks, 1);
    timer.set_period(0);
    EXPECT_EQ(timer.period(), 0);
}

}  // namespace
