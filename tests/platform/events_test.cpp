// Input during a transfer: a click still queued when it ends is dropped, not acted on
// afterwards, and the message box a check opens can still be answered.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "platform/events.h"
#include "platform/toolkit.h"
#include "platform/transfer_abort.h"

namespace {

void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

void press_key(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

TEST(MessageBox, OneOpenedDuringATransferCanBeAnswered) {
    const struct {
        const char* how;
        void (*answer)(QWidget* box);
    } cases[] = {
        {"OK button", [](QWidget* box) { click(box->findChild<QPushButton*>()); }},
        {"Enter", [](QWidget* box) { press_key(box, Qt::Key_Return); }},
        {"Esc", [](QWidget* box) { press_key(box, Qt::Key_Escape); }},
    };
    for (const auto& c : cases) {
        TransferScope busy;
        bool stuck = false;
        QTimer::singleShot(50, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                c.answer(box);
            }
        });
        QTimer::singleShot(3000, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                stuck = true;
                box->close();
            }
        });
        message_box("公网IP线路失效，请重新设置后再试");
        EXPECT_FALSE(stuck) << c.how;
        EXPECT_TRUE(transfer_under_way()) << c.how;  // the transfer goes on after the box
    }
}

TEST(InputGate, AClickStillQueuedWhenTheTransferEndsIsDropped) {
    Window window("w", 0, 0, 200, 100);
    Button button(window, "按钮1", "获取解析", 10, 10, 90, 25);
    int clicks = 0;
    button.on_click([&] { ++clicks; });
    {
        TransferScope busy;
        button.post_user_click();  // made in the last moment, never looked at in the wait
    }
    pump_pending_input();
    EXPECT_EQ(clicks, 0);

    // Text an input method commits is input too.
    EditBox box(window, "编辑框1", 10, 40, 90, 25);
    box.set_text("http://a/");
    auto* line = static_cast<QWidget*>(window.native())->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    {
        TransferScope busy;
        QInputMethodEvent typed;
        typed.setCommitString(QString::fromUtf8(u8"线路"));
        QCoreApplication::sendEvent(line, &typed);
    }
    EXPECT_EQ(box.text(), "http://a/");
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromUtf8(u8"线路"));
    QCoreApplication::sendEvent(line, &typed);
    EXPECT_EQ(box.text(), "线路http://a/");  // taken once the wait is over (at the caret)

    button.post_user_click();
    pump_pending_input();
    EXPECT_EQ(clicks, 1);
}

// The stop button stops a wait only with a click: a press dragged off it, or a right
// click, lets the wait go on (the program would otherwise lose a check unseen).
TEST(InputGate, OnlyAClickOnTheStopButtonStopsTheWait) {
    Window window("w", 0, 0, 200, 100);
    Button stop(window, "按钮5", "停止解析", 10, 10, 80, 25);
    stop.let_through_while_busy();
    auto* button = static_cast<QWidget*>(window.native())->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    const struct {
        const char* what;
        QPointF release_at;
        Qt::MouseButton button;
        bool stops;
    } cases[] = {
        {"dragged off", QPointF(-20, -20), Qt::LeftButton, false},
        {"right click", QPointF(5, 5), Qt::RightButton, false},
        {"click", QPointF(5, 5), Qt::LeftButton, true},
    };
    for (const auto& c : cases) {
        clear_transfer_abort();
        TransferScope busy;
        const QPointF inside(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, inside, button->mapToGlobal(inside), c.button,
                          c.button, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, c.release_at,
                            button->mapToGlobal(c.release_at), c.button, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(button, &press);
        QCoreApplication::sendEvent(button, &release);
        EXPECT_EQ(transfer_abort_requested(), c.stops) << c.what;
    }
    clear_transfer_abort();
}

}  // namespace
