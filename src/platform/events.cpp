// Message dispatch and message boxes over Qt.
#include "platform/events.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/qt_text.h"

namespace {

MessageSink& message_sink() {
    static MessageSink sink;
    return sink;
}

}  // namespace

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
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void message_box(const Text& text) {
    if (message_sink()) {
        message_sink()(text);
        return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, to_q("信息："), to_q(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void set_message_sink(MessageSink sink) {
    message_sink() = std::move(sink);
}
