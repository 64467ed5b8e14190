// Windows described as data, built natively by the platform, with events routed by control name.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/drop_data.h"

namespace ks {

// The name of a control, a menu or a form in a form table. Construction is explicit,
// so code names controls through the constants declared beside each table
// (main_form::Combo1, about_form::cmdOK): a misspelt name does not compile.
class ControlName {
public:
    constexpr explicit ControlName(std::wstring_view name) : name_(name) {}
    constexpr std::wstring_view View() const { return name_; }
    friend constexpr bool operator==(ControlName, ControlName) = default;

private:
    std::wstring_view name_;
};

enum class ControlKind { Label, ComboBox, TextBox, Button, Picture, Line, ProgressBar };

// A progress bar runs from 0, empty, to this, full.
inline constexpr int kProgressFull = 1000;
enum class BorderStyle { Sizable, FixedDialog };

struct Colour {
    std::uint8_t red, green, blue;
    friend bool operator==(const Colour&, const Colour&) = default;
};

struct FontStyle {
    std::wstring_view face = L"MS Sans Serif";
    double points = 8.25;
    int weight = 400;
    bool italic = false;
    bool underline = false;
};

// One control. Positions and sizes are twips from the top left corner of the
// client area (below the menu bar); 15 twips make a pixel at 96 DPI.
struct ControlLayout {
    ControlKind kind;
    ControlName name;
    int left, top, width, height;
    std::wstring_view caption;      // caption, initial text, or the picture's resource name; "" for a progress bar
    int tab_index;                  // -1: takes no focus
    bool accepts_drops = false;
    FontStyle font = {};
    bool multi_line = false;        // TextBox: Enter makes a line break, long text wraps
    bool read_only = false;         // TextBox: selectable and copyable, not editable
    bool system_background = false; // drawn on the form's background colour
    std::optional<Colour> fore = {};
    bool sunken_border = false;     // Picture
    int line_width = 1;             // Line: pixels
    int x2 = 0;                     // Line: the end point; left/top are the start
    int y2 = 0;
};

struct MenuEntryLayout {
    ControlName name;
    std::wstring_view caption;
};

struct MenuLayout {
    ControlName name;
    std::wstring_view caption;
    std::vector<MenuEntryLayout> entries;
};

struct FormLayout {
    ControlName name{L""};  // what a drop on the form's background reports
    std::wstring_view title;
    int client_width, client_height;  // twips
    BorderStyle border;
    bool system_background;  // the platform's colour for active window borders
    std::wstring_view icon;  // resource name, "" for none
    std::vector<MenuLayout> menus;
    std::vector<ControlLayout> controls;
    // Buttons the keyboard presses, reported as their Click: Enter presses the
    // default button unless another button has the focus (then that one); Esc
    // presses the cancel button wherever the focus is.
    std::optional<ControlName> default_button = {};
    std::optional<ControlName> cancel_button = {};
};

// What a form reports to the object that handles its events. Menu entries report
// a Click under their own names.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Click(ControlName control) = 0;
    virtual void Drop(ControlName control, const DropData& data) = 0;
    // Asked when the close box is pressed or the system asks the window to close,
    // before Unload: false keeps the window open, and no Unload follows. A window the
    // program closes itself (Form::Close) does not ask.
    virtual bool QueryUnload() { return true; }
    // The window is being closed through its close box or by the system.
    virtual void Unload() = 0;
};

// A window built from a FormLayout. Controls are addressed by their names in it.
// Asking for a name the form does not have, or for a combo box's list of another
// kind of control, is a programming error (std::logic_error); so is a list index
// out of range (std::out_of_range). Pictures, lines and progress bars hold no text:
// "" for them, and setting one changes nothing.
//
// Forms belong to the thread that created them, the program's one UI thread: every
// member is called there.
class Form {
public:
    virtual ~Form() = default;

    virtual std::wstring Text(ControlName control) const = 0;
    // On a combo box, a text that no longer names the selected entry drops the selection.
    virtual void SetText(ControlName control, const std::wstring& text) = 0;

    // The list of a combo box. Adding to it leaves the text and the selection alone.
    virtual void AddItem(ControlName control, const std::wstring& item) = 0;
    virtual int ItemCount(ControlName control) const = 0;
    virtual std::wstring Item(ControlName control, int index) const = 0;
    // The selected entry, -1 for none.
    virtual int SelectedIndex(ControlName control) const = 0;
    // Selects a list entry, which also makes it the box's text.
    virtual void SetSelectedIndex(ControlName control, int index) = 0;

    // A progress bar's position, 0 to kProgressFull; a value outside is taken as the
    // nearer end. Asked of any other kind of control, a programming error (std::logic_error).
    virtual void SetProgress(ControlName control, int value) = 0;
    virtual int Progress(ControlName control) const = 0;

    // Repaints the whole window before returning.
    virtual void RefreshAll() = 0;

    // Shows the busy mouse pointer over the program's windows while a long step runs.
    virtual void SetBusy(bool busy) = 0;

    // Shows the window centred on the screen; the first control in the tab order
    // takes the focus.
    virtual void Show() = 0;
    // Shows the window modal and returns at once; the caller goes on running the event
    // loop (WindowSystem::RunUntil). Modal to `owner` when the owner is on screen: centred
    // on it, and the owner takes no input (clicks, keys, drops, its close box) until this
    // window closes, while windows without an owner (the About window) stay usable.
    // Without an owner, or with one that is not on screen (the command-line run, whose
    // main window is never shown), modal to the whole program and centred on the screen.
    // The first control in the tab order takes the focus. Close ends the modality and
    // gives the owner back its input.
    virtual void ShowModal(Form* owner) = 0;
    // Brings an already shown window to the front.
    virtual void Activate() = 0;
    // Closes the window as OK would: no Unload event.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // The native window, for platform services that need an owner (a HWND or a
    // QWidget*); nullptr for a form that has no native window.
    virtual void* NativeHandle() const = 0;
};

// What CreateForm throws when a window cannot be created.
class WindowError : public std::runtime_error {
public:
    explicit WindowError(std::wstring what)
        : std::runtime_error("a window could not be created"), what_(std::move(what)) {}
    // What failed, in the program's own text, as the user is to read it.
    const std::wstring& What() const { return what_; }

private:
    std::wstring what_;
};

// Builds forms on the platform's window system, and runs its event loop while the
// program waits for work on another thread.
//
// Threads: the program has one UI thread, which creates the forms, handles their
// events and calls every member here except Wake. A print job runs on a worker thread
// of its own (printing/print_job.h); the UI thread waits for it in RunUntil, so that
// the windows repaint, answer the desktop and take input while the job is sent.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // Throws WindowError when the window cannot be created.
    virtual std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) = 0;

    // Whether a person can see and answer the forms built here: false where the forms
    // live in memory only (no display). May start the platform's GUI to find out.
    virtual bool CanShow() = 0;

    // Runs the platform's event loop on the UI thread until `done` returns true: windows
    // repaint and handlers run meanwhile. `done` is asked first, then after each tick
    // and each Wake; `tick` runs about every `interval` while `done` stays false. Both
    // run on the UI thread. The program runs one such
    // wait at a time; a handler that runs during it does not start another.
    virtual void RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                          std::chrono::milliseconds interval) = 0;

    // Makes a running RunUntil ask `done` again at once instead of at its next tick.
    // The one member any thread may call: a worker calls it when its work is done.
    virtual void Wake() = 0;
};

}  // namespace ks
