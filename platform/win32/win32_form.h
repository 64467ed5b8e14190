// A form drawn natively by Win32: one top-level window per form table, its events routed by control name.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_drop_data.h"
#include "platform/win32/win32_form_handles.h"
#include "platform/window_system.h"

namespace ks::win32 {

// Control IDs: the control at index i of the table has kFirstControlId + i; the
// menu entries, counted across the menus in order, start at kFirstMenuId. Both
// stay clear of IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc.
inline constexpr int kFirstControlId = 1000;
inline constexpr int kFirstMenuId = 2000;

// The registered window class of every form.
inline constexpr wchar_t kFormClassName[] = L"KestrelspoolerForm";

// Pixels for a length in twips at the given DPI: 15 twips make a pixel at 96 DPI.
int TwipsToPixels(int twips, UINT dpi);

// The font height CreateFont takes for a size in points: negative, a character
// height (without internal leading) of points * dpi / 72 pixels, rounded.
int FontHeight(double points, UINT dpi);

// The native window of each form is a member of kFormClassName, with a menu bar
// when the table has menus. Drops on its background report the form's own name.
class Win32Form final : public Form {
public:
    // Throws std::runtime_error when the window cannot be created.
    Win32Form(HINSTANCE instance, const FormLayout& layout, FormEvents& events);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    std::wstring Text(std::wstring_view control) const override;
    void SetText(std::wstring_view control, const std::wstring& text) override;
    void AddItem(std::wstring_view control, const std::wstring& item) override;
    int ItemCount(std::wstring_view control) const override;
    std::wstring Item(std::wstring_view control, int index) const override;
    void SetSelectedIndex(std::wstring_view control, int index) override;
    void Refresh(std::wstring_view control) override;
    void RefreshAll() override;
    void SetBusy(bool busy) override;
    void Show() override;
    void Activate() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void* NativeHandle() const override { return window_.Get(); }

    HWND Window() const { return window_.Get(); }
    // The control's window; nullptr for a line, which the form paints itself.
    HWND ControlWindow(std::wstring_view control) const;
    UINT Dpi() const { return dpi_; }

    // Whether any form of this thread is open: the program runs while one is.
    static bool AnyOpen();
    // The keyboard handling of forms (Tab, Enter, Esc) for a message the loop took;
    // true when it was handled and must not be dispatched.
    static bool PreTranslate(MSG& msg);

private:
    struct Control {
        ControlLayout layout;  // its texts point at the copies below, not the caller's table
        std::wstring name, caption, face;
        int id = 0;
        HWND hwnd = nullptr;    // a child of the form; gone with it
        DropTarget* drop_target = nullptr;  // owned by OLE while registered
        DropRegistration drop_registration;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

    void OnCommand(int id, int code);
    void OnClose();
    void OnPaint();
    bool OnEraseBackground(HDC dc);
    LRESULT OnControlColour(HDC dc, HWND control);
    bool OnSetCursor();
    void OnActivate(bool active);
    void OnNextDialogControl(WPARAM wparam, LPARAM lparam);
    LRESULT OnGetDefaultId() const;
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnDeliverDrops();

    void Build(HINSTANCE instance, const std::vector<MenuLayout>& menus);
    HWND MakeControl(HINSTANCE instance, Control& control);
    HMENU BuildMenus(const std::vector<MenuLayout>& menus);
    void SetIcon(HINSTANCE instance);
    void ApplyDpi(UINT dpi);
    void PlaceControl(Control& control);
    void SizeWindow();
    DWORD Style() const;
    DWORD ExStyle() const;
    int BackgroundIndex() const;
    void SetTabOrder();
    void RegisterDrops();
    void Centre();
    void Hide();
    HFONT FontFor(const FontStyle& layout);
    const Control& At(std::wstring_view control) const;
    const Control* ById(int id) const;
    const Control* ByWindow(HWND hwnd) const;
    HWND FirstTabStop() const;
    void QueueDrop(const std::wstring& control, const Win32DropData& data);

    FormEvents& events_;
    std::wstring name_;
    std::wstring title_;
    int client_width_, client_height_;  // twips
    BorderStyle border_;
    bool system_background_;
    std::wstring icon_;
    std::wstring default_button_, cancel_button_;
    std::vector<std::wstring> menu_names_;  // by kFirstMenuId + n
    std::vector<std::unique_ptr<Control>> controls_;

    UINT dpi_ = 96;
    bool open_ = false;
    bool shown_before_ = false;
    bool busy_ = false;
    HWND last_focus_ = nullptr;
    std::deque<std::pair<std::wstring, Win32DropData>> pending_drops_;
    DropTarget* form_drop_target_ = nullptr;
    DropRegistration form_drop_registration_;

    // Declared before the window: they outlive it, as its controls use them to the end.
    std::map<std::wstring, FontHandle> fonts_;
    std::vector<BitmapHandle> bitmaps_;
    IconHandle big_icon_, small_icon_;
    WindowHandle window_;
};

}  // namespace ks::win32
