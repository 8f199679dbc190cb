// Message dispatch and message boxes over Qt.
#include "platform/events.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/qt_text.h"
#include "platform/transfer_abort.h"

namespace {

MessageSink& message_sink() {
    static MessageSink sink;
    return sink;
}

int g_transfers = 0;
constexpr int kWrapWidth = 400;

std::vector<QPointer<QWidget>>& let_through() {
    static std::vector<QPointer<QWidget>> widgets;
    return widgets;
}

bool is_user_input(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::InputMethod:  // text an input method commits (Chinese typed in)
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

bool is_let_through(QObject* target) {
    for (QObject* o = target; o != nullptr; o = o->parent()) {
        for (const QPointer<QWidget>& widget : let_through()) {
            if (widget != nullptr && widget.data() == o) {
                return true;
            }
        }
    }
    return false;
}

bool is_mouse(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick;
}

// Input that arrives during a transfer is dropped, not queued: a click made while the
// program waited must not act afterwards.
class InputGate : public QObject {
  public:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (g_transfers == 0) {
            return false;
        }
        const QEvent::Type type = event->type();
        if (type == QEvent::Close) {
            // A window's close box; a menu or tooltip closing is no stop.
            auto* widget = qobject_cast<QWidget*>(target);
            if (widget != nullptr && widget->isWindow() &&
                (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog)) {
                request_transfer_abort();
            }
            return false;
        }
        // The window system's input reaches a window first, which hands it to the widget
        // under the mouse or in focus; that second delivery is the one judged here.
        if (!is_user_input(type) || qobject_cast<QWidget*>(target) == nullptr) {
            return false;
        }
        if (is_mouse(type) && is_let_through(target)) {
            // Only a release that clicks (left button, still over the control) stops: one
            // dragged off the button clicks nothing, and must not end the wait unseen.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
                static_cast<QWidget*>(target)->rect().contains(mouse->position().toPoint())) {
                request_transfer_abort();
            }
            return false;
        }
        return true;
    }
};

// Word wrapping breaks only at blanks and between CJK characters: a long run such as a
// quoted string to sign gets zero-width break opportunities every 32 characters.
QString breakable(const QString& text) {
    constexpr int kRun = 32;
    QString result;
    int run = 0;
    for (QChar c : text) {
        result.append(c);
        run = c.isSpace() || c.unicode() >= 0x2E80 ? 0 : run + 1;
        if (run == kRun) {
            result.append(QChar(0x200B));
            run = 0;
        }
    }
    return result;
}

void install_input_gate() {
    static QPointer<QObject> gate;
    if (gate == nullptr && QCoreApplication::instance() != nullptr) {
        gate = new InputGate;
        gate->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(gate);
    }
}

bool has_gui() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

void begin_transfer() {
    if (g_transfers++ == 0 && has_gui()) {
        install_input_gate();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void end_transfer() {
    if (g_transfers == 0) {
        return;
    }
    if (g_transfers == 1 && has_gui()) {
        // Input from the transfer's last moments is still queued: drop it while the gate
        // is up, or it would act on what the transfer just brought (a row just listed).
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (--g_transfers == 0 && has_gui()) {
        QApplication::restoreOverrideCursor();
    }
}

bool transfer_under_way() {
    return g_transfers > 0;
}

void let_input_through_while_busy(void* widget) {
    let_through().push_back(static_cast<QWidget*>(widget));
}

void pump_pending_input() {
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void keep_windows_painted() {
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    // Outside a transfer (between the probes of a line test) input waits for later.
    if (g_transfers == 0) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void message_box(const Text& text) {
    if (message_sink()) {
        message_sink()(text);
        return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    const QString caption = to_q("信息：");
    QMessageBox box(QMessageBox::NoIcon, caption, breakable(to_q(text)), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // Wide enough for the caption to show, and long texts wrapped at about 400 px.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setWordWrap(true);
        const int caption_width = box.fontMetrics().horizontalAdvance(caption) + 120;
        const int text_width = label->fontMetrics().horizontalAdvance(label->text());
        label->setFixedWidth(std::clamp(text_width + 8, caption_width, kWrapWidth));
    }
    // The box is what the user must answer now, and its own modality keeps every other
    // window out: the gate and the busy cursor step aside until it is closed.
    const int transfers = std::exchange(g_transfers, 0);
    if (transfers > 0) {
        QApplication::restoreOverrideCursor();
    }
    box.exec();
    if (transfers > 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    g_transfers = transfers;
}

void set_message_sink(MessageSink sink) {
    message_sink() = std::move(sink);
}
