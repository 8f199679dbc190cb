// The toolkit over Qt 6 Widgets. Only this file knows the widgets behind the controls.
#include "platform/toolkit.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

#include "platform/events.h"
#include "platform/qt_text.h"
#include "platform/stop_signals.h"
#include "platform/transfer_abort.h"
#include "program_icon.h"

namespace {

// Outer size minus the client area of a classic captioned window frame.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 39;

// The toolkit keeps LF; the program's texts use CR LF.
QString to_q_lines(const Text& gbk) {
    return to_q(replace_text(gbk, "\r\n", "\n"));
}

Text from_q_lines(const QString& s) {
    Text text = from_q(s);
    return replace_text(text, "\n", "\r\n");
}

ModalHook& modal_hook() {
    static ModalHook hook;
    return hook;
}

class WindowWidget : public QDialog {
  public:
    bool is_main = false;
    QButtonGroup* radio_group = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        // Escape closes dialogs, but the main window closes only by its close box.
        if (is_main && event->key() == Qt::Key_Escape) {
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

template <typename W>
W* widget_of(void* p) {
    return static_cast<W*>(p);
}

WindowWidget* window_widget(Window& window) {
    return static_cast<WindowWidget*>(window.native());
}

template <typename W>
W* place(Window& window, W* widget, int x, int y, int width, int height) {
    widget->setParent(window_widget(window));
    widget->setGeometry(x, y, width, height);
    widget->show();
    return widget;
}

}  // namespace

struct Application::Impl {
    std::unique_ptr<QCoreApplication> app;
};

bool load_toolkit_translation() {
    // The program speaks Chinese whatever the system's locale: Qt's own buttons and
    // menus too (确定, 复制, 全选).
    static QPointer<QTranslator> translator;
    if (translator != nullptr) {
        return true;
    }
    auto* loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

Application::Application(int& argc, char** argv, bool headless) : impl_(std::make_unique<Impl>()) {
    // A reader of our output that goes away must not end the program: writes just fail.
    ::signal(SIGPIPE, SIG_IGN);
    if (headless) {
        impl_->app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        impl_->app = std::make_unique<QApplication>(argc, argv);
        load_toolkit_translation();
        QPixmap icon;
        icon.loadFromData(kProgramIconPng, sizeof kProgramIconPng, "PNG");
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ddns"), QIcon(icon)));
        // The windows are laid out in pixels for a 12-pixel font, as on the system they
        // were designed for; a CJK font keeps the Latin and Chinese texts alike in width.
        QFont font(QStringLiteral("Noto Sans CJK SC"));
        font.setPixelSize(12);
        QApplication::setFont(font);
    }
}

Application::~Application() = default;

struct Window::Impl {
    WindowWidget* widget = nullptr;
    std::vector<Control*> controls;
};

Window::Window(const Text& caption, int x, int y, int width, int height)
    : impl_(std::make_unique<Impl>()) {
    impl_->widget = new WindowWidget();
    impl_->widget->setWindowTitle(to_q(caption));
    impl_->widget->move(x, y);
    impl_->widget->setFixedSize(width - kFrameWidth, height - kFrameHeight);
}

Window::~Window() {
    delete impl_->widget;
}

Text Window::caption() const {
    return from_q(impl_->widget->windowTitle());
}

void Window::show_as_main() {
    impl_->widget->is_main = true;
    impl_->widget->setModal(false);
    impl_->widget->show();
}

void Window::run_modal() {
    if (modal_hook()) {
        modal_hook()(*this);
        return;
    }
    impl_->widget->setWindowModality(Qt::ApplicationModal);
    impl_->widget->exec();
}

void Window::close() {
    impl_->widget->close();
}

bool Window::is_visible() const {
    return impl_->widget->isVisible();
}

void* Window::native() const {
    return impl_->widget;
}

Control* Window::control(const Text& name) const {
    for (Control* c : impl_->controls) {
        if (c->name() == name) {
            return c;
        }
    }
    return nullptr;
}

void Window::add_control(Control* control) {
    impl_->controls.push_back(control);
}

void Window::remove_control(Control* control) {
    std::erase(impl_->controls, control);
}

Control::Control(Window& window, const Text& name, void* widget)
    : window_(&window), name_(name), widget_(widget) {
    window.add_control(this);
}

Control::~Control() {
    window_->remove_control(this);
}

void set_modal_hook(ModalHook hook) {
    modal_hook() = std::move(hook);
}

int run_main_loop() {
    return QCoreApplication::exec();
}

void quit_main_loop(int exit_code) {
    QCoreApplication::exit(exit_code);
}

namespace {

std::function<void()>& termination_handler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void on_termination_signal(std::function<void()> handler) {
    const int pipe = stop_signal_pipe();
    if (pipe < 0) {
        return;
    }
    termination_handler() = std::move(handler);
    auto* notifier = new QSocketNotifier(pipe, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        drain_stop_signal_pipe();
        termination_handler()();
    });
}

bool run_pending_termination_handler() {
    if (!termination_handler() || !take_pending_stop_signal()) {
        return false;
    }
    termination_handler()();
    return true;
}

void Control::let_through_while_busy() {
    let_input_through_while_busy(widget_);
}

void Control::post_user_click() {
    auto* widget = widget_of<QWidget>(widget_);
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(centre);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QCoreApplication::postEvent(
            widget, new QMouseEvent(type, centre, global, Qt::LeftButton, held, Qt::NoModifier));
    }
}

bool Control::is_enabled() const {
    return widget_of<QWidget>(widget_)->isEnabled();
}

void Control::set_enabled(bool enabled) {
    widget_of<QWidget>(widget_)->setEnabled(enabled);
}

void Control::geometry(int& x, int& y, int& width, int& height) const {
    QRect r = widget_of<QWidget>(widget_)->geometry();
    x = r.x();
    y = r.y();
    width = r.width();
    height = r.height();
}

Button::Button(Window& window, const Text& name, const Text& caption, int x, int y, int width,
               int height)
    : Control(window, name, place(window, new QPushButton(to_q(caption)), x, y, width, height)) {
    widget_of<QPushButton>(widget_)->setAutoDefault(false);
}

Text Button::caption() const {
    return from_q(widget_of<QPushButton>(widget_)->text());
}

void Button::on_click(std::function<void()> handler) {
    QObject::connect(widget_of<QPushButton>(widget_), &QPushButton::clicked,
                     [handler = std::move(handler)]() { handler(); });
}

void Button::click() {
    widget_of<QPushButton>(widget_)->click();
}

RadioButton::RadioButton(Window& window, const Text& name, const Text& caption, int x, int y,
                         int width, int height)
    : Control(window, name, place(window, new QRadioButton(to_q(caption)), x, y, width, height)) {
    WindowWidget* owner = window_widget(window);
    if (owner->radio_group == nullptr) {
        owner->radio_group = new QButtonGroup(owner);
        owner->radio_group->setExclusive(true);
    }
    owner->radio_group->addButton(widget_of<QRadioButton>(widget_));
}

Text RadioButton::caption() const {
    return from_q(widget_of<QRadioButton>(widget_)->text());
}

bool RadioButton::is_selected() const {
    return widget_of<QRadioButton>(widget_)->isChecked();
}

void RadioButton::set_selected(bool selected) {
    QRadioButton* radio = widget_of<QRadioButton>(widget_);
    QButtonGroup* group = radio->group();
    if (!selected && group != nullptr && radio->isChecked()) {
        // An exclusive group never unchecks its last button by itself.
        group->setExclusive(false);
        radio->setChecked(false);
        group->setExclusive(true);
        return;
    }
    radio->setChecked(selected);
}

void RadioButton::on_click(std::function<void()> handler) {
    QObject::connect(widget_of<QRadioButton>(widget_), &QRadioButton::clicked,
                     [handler = std::move(handler)]() { handler(); });
}

void RadioButton::click() {
    widget_of<QRadioButton>(widget_)->click();
}

namespace {

const char kPlainTextProperty[] = "ddns_plain_text";

// Lines of a multi-line label advance by about the font's pixel size, as the layouts
// expect (a 12-pixel font on 12-pixel lines), rather than by the CJK font's much
// taller line spacing; its tall ascent takes one pixel more.
void show_label_text(QLabel* label, const Text& text) {
    const QString plain = to_q_lines(text);
    label->setProperty(kPlainTextProperty, plain);
    const int pixels = label->font().pixelSize();
    if (!plain.contains(QLatin1Char('\n')) || pixels <= 0) {
        label->setTextFormat(Qt::PlainText);
        label->setText(plain);
        return;
    }
    const int percent = 100 * (pixels - 1) / QFontMetrics(label->font()).lineSpacing();
    label->setTextFormat(Qt::RichText);
    label->setText(
        QStringLiteral("<p style=\"margin:0; white-space:pre; line-height:%1%\">%2</p>")
            .arg(percent)
            .arg(plain.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"))));
}

}  // namespace

Label::Label(Window& window, const Text& name, const Text& text, int x, int y, int width,
             int height)
    : Control(window, name, place(window, new QLabel(), x, y, width, height)) {
    widget_of<QLabel>(widget_)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    show_label_text(widget_of<QLabel>(widget_), text);
}

Text Label::text() const {
    return from_q_lines(widget_of<QLabel>(widget_)->property(kPlainTextProperty).toString());
}

void Label::set_text(const Text& text) {
    show_label_text(widget_of<QLabel>(widget_), text);
}

namespace {

QWidget* make_edit_box(const EditBoxStyle& style) {
    if (!style.multi_line) {
        QLineEdit* line = new QLineEdit();
        line->setReadOnly(style.read_only);
        return line;
    }
    QPlainTextEdit* box = new QPlainTextEdit();
    box->setReadOnly(style.read_only);
    box->setLineWrapMode(style.wrap_lines ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    box->setVerticalScrollBarPolicy(style.vertical_scroll_bar ? Qt::ScrollBarAlwaysOn
                                                              : Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (style.max_lines > 0) {
        box->setMaximumBlockCount(style.max_lines);
    }
    if (style.custom_colours) {
        QPalette palette = box->palette();
        QColor text(style.text_colour.red, style.text_colour.green, style.text_colour.blue);
        QColor base(style.background.red, style.background.green, style.background.blue);
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::Text, text);
            palette.setColor(group, QPalette::Base, base);
        }
        box->setPalette(palette);
    }
    return box;
}

}  // namespace

EditBox::EditBox(Window& window, const Text& name, int x, int y, int width, int height,
                 const EditBoxStyle& style)
    : Control(window, name, place(window, make_edit_box(style), x, y, width, height)) {}

bool EditBox::text_is_gbk() const {
    QWidget* w = widget_of<QWidget>(widget_);
    const QString shown = qobject_cast<QLineEdit*>(w) != nullptr
                              ? static_cast<QLineEdit*>(w)->text()
                              : static_cast<QPlainTextEdit*>(w)->toPlainText();
    return to_q(from_q(shown)) == shown;
}

Text EditBox::text() const {
    QWidget* w = widget_of<QWidget>(widget_);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        return from_q(line->text());
    }
    return from_q_lines(static_cast<QPlainTextEdit*>(w)->toPlainText());
}

void EditBox::set_text(const Text& text) {
    QWidget* w = widget_of<QWidget>(widget_);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(to_q(text));
        line->setCursorPosition(0);  // a long URL shows its beginning
        return;
    }
    static_cast<QPlainTextEdit*>(w)->setPlainText(to_q_lines(text));
}

void EditBox::append(const Text& text) {
    QWidget* w = widget_of<QWidget>(widget_);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->end(false);
        line->insert(to_q(text));
        return;
    }
    QPlainTextEdit* box = static_cast<QPlainTextEdit*>(w);
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->insertPlainText(to_q_lines(text));
    box->ensureCursorVisible();
}

int EditBox::line_count() const {
    QWidget* w = widget_of<QWidget>(widget_);
    if (qobject_cast<QLineEdit*>(w) != nullptr) {
        return 1;
    }
    return static_cast<QPlainTextEdit*>(w)->document()->blockCount();
}

int EditBox::max_lines() const {
    auto* box = qobject_cast<QPlainTextEdit*>(widget_of<QWidget>(widget_));
    return box == nullptr ? 0 : box->maximumBlockCount();
}

ListBox::ListBox(Window& window, const Text& name, int x, int y, int width, int height)
    : Control(window, name, place(window, new QListWidget(), x, y, width, height)) {}

void ListBox::clear() {
    widget_of<QListWidget>(widget_)->clear();
}

void ListBox::add(const Text& item) {
    widget_of<QListWidget>(widget_)->addItem(to_q(item));
}

int ListBox::count() const {
    return widget_of<QListWidget>(widget_)->count();
}

Text ListBox::item(int index) const {
    QListWidgetItem* it = widget_of<QListWidget>(widget_)->item(index);
    return it == nullptr ? Text() : from_q(it->text());
}

void ListBox::select(int index) {
    widget_of<QListWidget>(widget_)->setCurrentRow(index);
}

Text ListBox::selected_text() const {
    QList<QListWidgetItem*> selected = widget_of<QListWidget>(widget_)->selectedItems();
    return selected.isEmpty() ? Text() : from_q(selected.first()->text());
}

ListView::ListView(Window& window, const Text& name, int x, int y, int width, int height)
    : Control(window, name, place(window, new QTreeWidget(), x, y, width, height)) {
    QTreeWidget* tree = widget_of<QTreeWidget>(widget_);
    tree->setRootIsDecorated(false);
    tree->setColumnCount(0);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setUniformRowHeights(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setDefaultAlignment(Qt::AlignLeft);
}

void ListView::add_column(const Text& title, int width) {
    QTreeWidget* tree = widget_of<QTreeWidget>(widget_);
    int column = tree->columnCount();
    tree->setColumnCount(column + 1);
    QTreeWidgetItem* header = tree->headerItem();
    header->setText(column, to_q(title));
    tree->setColumnWidth(column, width);
}

int ListView::column_count() const {
    return widget_of<QTreeWidget>(widget_)->columnCount();
}

Text ListView::column_title(int column) const {
    return from_q(widget_of<QTreeWidget>(widget_)->headerItem()->text(column));
}

int ListView::column_width(int column) const {
    return widget_of<QTreeWidget>(widget_)->columnWidth(column);
}

void ListView::clear_rows() {
    widget_of<QTreeWidget>(widget_)->clear();
}

int ListView::add_row() {
    QTreeWidget* tree = widget_of<QTreeWidget>(widget_);
    new QTreeWidgetItem(tree);
    return tree->topLevelItemCount() - 1;
}

int ListView::row_count() const {
    return widget_of<QTreeWidget>(widget_)->topLevelItemCount();
}

void ListView::set_cell(int row, int column, const Text& text) {
    QTreeWidgetItem* item = widget_of<QTreeWidget>(widget_)->topLevelItem(row);
    if (item != nullptr) {
        item->setText(column, to_q(text));
    }
}

Text ListView::cell(int row, int column) const {
    QTreeWidgetItem* item = widget_of<QTreeWidget>(widget_)->topLevelItem(row);
    return item == nullptr ? Text() : from_q(item->text(column));
}

void ListView::select_row(int row) {
    QTreeWidget* tree = widget_of<QTreeWidget>(widget_);
    tree->clearSelection();
    QTreeWidgetItem* item = tree->topLevelItem(row);
    if (item != nullptr) {
        tree->setCurrentItem(item);
        item->setSelected(true);
    }
}

int ListView::selected_row() const {
    QTreeWidget* tree = widget_of<QTreeWidget>(widget_);
    QList<QTreeWidgetItem*> selected = tree->selectedItems();
    return selected.isEmpty() ? -1 : tree->indexOfTopLevelItem(selected.first());
}

struct Timer::Impl {
    QPointer<QTimer> timer;
    int period = 0;
    std::function<void()> handler;
};

Timer::Timer(Window& window, const Text& name) : Timer(name) {
    impl_->timer->setParent(window_widget(window));
}

Timer::Timer(const Text& /*name*/) : impl_(std::make_unique<Impl>()) {
    impl_->timer = new QTimer();
    QObject::connect(impl_->timer.data(), &QTimer::timeout, [impl = impl_.get()]() {
        if (impl->handler) {
            impl->handler();
        }
    });
}

Timer::~Timer() {
    delete impl_->timer.data();
}

int Timer::period() const {
    return impl_->period;
}

void Timer::set_period(int milliseconds) {
    impl_->period = milliseconds < 0 ? 0 : milliseconds;
    if (impl_->timer == nullptr) {
        return;
    }
    if (impl_->period == 0) {
        impl_->timer->stop();
    } else {
        impl_->timer->start(impl_->period);
    }
}

void Timer::on_tick(std::function<void()> handler) {
    impl_->handler = std::move(handler);
}

void Timer::fire() {
    if (impl_->handler) {
        impl_->handler();
    }
}
