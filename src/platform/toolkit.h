// The window and control toolkit the program's windows are made of: windows,
// buttons, radio buttons, labels, edit boxes, list boxes, list views and timers,
// with GBK text at the boundary and positions and sizes in pixels.
#pragma once

#include <functional>
#include <memory>

#include "base/text.h"
#include "platform/event_loop.h"

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
};

class Control;

// Loads Qt's own Chinese texts (standard buttons, context menus); a GUI Application
// does it itself. False when the translation is not installed.
bool load_toolkit_translation();

class Window {
  public:
    // `width` and `height` are the outer size, frame and caption included.
    Window(const Text& caption, int x, int y, int width, int height);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    Text caption() const;
    // Shows the window as the program's main window; closing it ends run_main_loop.
    void show_as_main();
    // Shows the window modally and returns when it is closed.
    void run_modal();
    void close();
    bool is_visible() const;

    void* native() const;  // the toolkit's widget, for the controls below

    // The window's control of that name (as the window forms name them), or null.
    Control* control(const Text& name) const;
    void add_control(Control* control);
    void remove_control(Control* control);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Tests replace the modal loop: the hook receives the window instead of it running.
using ModalHook = std::function<void(Window& window)>;
void set_modal_hook(ModalHook hook);

// A control belongs to one window and must not outlive it.
class Control {
  public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    Text name() const { return name_; }
    bool is_enabled() const;
    void set_enabled(bool enabled);
    void geometry(int& x, int& y, int& width, int& height) const;
    // Clicks on this control still act while a network transfer is under way, and abort
    // it (the stop button); every other input is dropped then.
    void let_through_while_busy();
    // Posts a left click as the user makes one (press and release at the centre), so
    // that it meets the same input handling; tests use it.
    void post_user_click();

  protected:
    Control(Window& window, const Text& name, void* widget);
    Window* window_;
    Text name_;
    void* widget_;  // owned by the window
};

class Button : public Control {
  public:
    Button(Window& window, const Text& name, const Text& caption, int x, int y, int width,
           int height);
    Text caption() const;
    void on_click(std::function<void()> handler);
    void click();
};

// All radio buttons of one window form one group.
class RadioButton : public Control {
  public:
    RadioButton(Window& window, const Text& name, const Text& caption, int x, int y, int width,
                int height);
    Text caption() const;
    bool is_selected() const;
    void set_selected(bool selected);
    void on_click(std::function<void()> handler);
    void click();
};

class Label : public Control {
  public:
    Label(Window& window, const Text& name, const Text& text, int x, int y, int width, int height);
    Text text() const;
    void set_text(const Text& text);
};

struct EditBoxStyle {
    bool multi_line = false;
    bool read_only = false;
    bool wrap_lines = false;
    bool vertical_scroll_bar = false;
    bool custom_colours = false;
    Colour text_colour;
    Colour background;
    int max_lines = 0;  // multi-line only: oldest lines are dropped beyond this; 0: no limit
};

class EditBox : public Control {
  public:
    EditBox(Window& window, const Text& name, int x, int y, int width, int height,
            const EditBoxStyle& style = EditBoxStyle());
    // Line ends read back as CR LF.
    Text text() const;
    // False when the box holds characters GBK cannot hold, which text() gives as "?"
    // (Hangul, emoji, a pasted no-break space).
    bool text_is_gbk() const;
    void set_text(const Text& text);
    // Puts the caret at the end, inserts the text there and scrolls it into view.
    void append(const Text& text);
    int line_count() const;
    int max_lines() const;  // 0: no limit
};

class ListBox : public Control {
  public:
    ListBox(Window& window, const Text& name, int x, int y, int width, int height);
    void clear();
    void add(const Text& item);
    int count() const;
    Text item(int index) const;  // 0-based
    void select(int index);      // -1: none
    Text selected_text() const;  // empty when nothing is selected
};

class ListView : public Control {
  public:
    ListView(Window& window, const Text& name, int x, int y, int width, int height);
    void add_column(const Text& title, int width);
    int column_count() const;
    Text column_title(int column) const;
    int column_width(int column) const;
    void clear_rows();
    int add_row();  // returns the new row's 0-based index
    int row_count() const;
    void set_cell(int row, int column, const Text& text);
    Text cell(int row, int column) const;
    void select_row(int row);  // -1: none
    int selected_row() const;  // -1 when none
};
