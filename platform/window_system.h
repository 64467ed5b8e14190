// Windows described as data, built natively by the platform, with events routed by control name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drop_data.h"

namespace ks {

enum class ControlKind { Label, ComboBox, TextBox, Button, Picture, Line };
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
    std::wstring_view name;
    int left, top, width, height;
    std::wstring_view caption;      // caption, initial text, or the picture's resource name
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
    std::wstring_view name;
    std::wstring_view caption;
};

struct MenuLayout {
    std::wstring_view name;
    std::wstring_view caption;
    std::vector<MenuEntryLayout> entries;
};

struct FormLayout {
    std::wstring_view name;
    std::wstring_view title;
    int client_width, client_height;  // twips
    BorderStyle border;
    bool system_background;  // the platform's colour for active window borders
    std::wstring_view icon;  // resource name, "" for none
    std::vector<MenuLayout> menus;
    std::vector<ControlLayout> controls;
    // Buttons the keyboard presses, reported as their Click: Enter presses the
    // default button unless another button has the focus (then that one); Esc
    // presses the cancel button wherever the focus is. "" for none.
    std::wstring_view default_button = {};
    std::wstring_view cancel_button = {};
};

// What a form reports to the object that handles its events. Menu entries report
// a Click under their own names.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Click(std::wstring_view control) = 0;
    virtual void Drop(std::wstring_view control, const DropData& data) = 0;
    // The window is being closed through its close box or by the system.
    virtual void Unload() = 0;
};

// A window built from a FormLayout. Controls are addressed by their names in it.
// Asking for a name the form does not have is a programming error.
class Form {
public:
    virtual ~Form() = default;

    virtual std::wstring Text(std::wstring_view control) const = 0;
    virtual void SetText(std::wstring_view control, const std::wstring& text) = 0;

    // The list of a combo box.
    virtual void AddItem(std::wstring_view control, const std::wstring& item) = 0;
    virtual int ItemCount(std::wstring_view control) const = 0;
    virtual std::wstring Item(std::wstring_view control, int index) const = 0;
    // Selects a list entry, which also makes it the box's text.
    virtual void SetSelectedIndex(std::wstring_view control, int index) = 0;

    // Repaints one control, or the whole window, before returning.
    virtual void Refresh(std::wstring_view control) = 0;
    virtual void RefreshAll() = 0;

    // Shows the busy mouse pointer over the program's windows while a long step runs.
    virtual void SetBusy(bool busy) = 0;

    // Shows the window centred on the screen; the first control in the tab order
    // takes the focus.
    virtual void Show() = 0;
    // Brings an already shown window to the front.
    virtual void Activate() = 0;
    // Closes the window as OK would: no Unload event.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // The native window, for platform services that need an owner (a HWND or a
    // QWidget*); nullptr for a form that has no native window.
    virtual void* NativeHandle() const = 0;
};

// Builds forms on the platform's window system.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) = 0;
};

}  // namespace ks
