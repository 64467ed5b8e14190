// The window-system service on Win32: one native window per form table, its events routed by control name, and the message loop.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "table_form/table_form.h"
#include "platform/win32/win32_drop_data.h"
#include "platform/win32/win32_form_handles.h"

namespace ks::win32 {

// The registered window class of every form.
inline constexpr wchar_t kFormClassName[] = L"KestrelspoolerForm";

// Command IDs, which another process can reach the controls by: the control at index
// i of the table has kFirstControlId + i, the menu entries, counted across the menus
// in order, start at kFirstMenuId. Both stay clear of IDOK and IDCANCEL, which the
// dialog manager sends for Enter and Esc. Names are the tables' own; nullopt for a
// name the table does not have.
inline constexpr int kFirstControlId = 1000;
inline constexpr int kFirstMenuId = 2000;
std::optional<int> ControlId(const FormLayout& layout, std::wstring_view control);
std::optional<int> MenuId(const FormLayout& layout, std::wstring_view entry);
// The control a command ID belongs to.
std::optional<ControlName> ControlOfId(const FormLayout& layout, int id);

// The font height CreateFont takes for a size in points: negative, a character
// height (without internal leading) of points * dpi / 72 pixels, rounded.
int FontHeight(double points, UINT dpi);

// The native window of each form is a member of kFormClassName, with a menu bar
// when the table has menus. Drops on its background report the form's own name.
class Win32Form final : public TableForm {
public:
    // Throws WindowError, with the system's reason, when the window cannot be created.
    Win32Form(HINSTANCE instance, const FormLayout& layout, FormEvents& events);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    void RefreshAll() override;
    void SetBusy(bool busy) override;
    void Show() override;
    // Modal to a visible owner: owned by it (kept above it, brought forward when the
    // disabled owner is clicked), centred on it, the owner disabled. Otherwise modal to
    // the program: centred on the screen, every other visible window of the thread
    // disabled. Close, the close box accepted, and the destructor enable them again
    // before the window hides, so that the owner gets the activation back.
    void ShowModal(Form* owner) override;
    void Activate() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void* NativeHandle() const override { return window_.Get(); }

    HWND Window() const { return window_.Get(); }
    // The control's window; nullptr for a line, which the form paints itself.
    HWND ControlWindow(ControlName control) const;
    UINT Dpi() const { return dpi_; }

    // Whether any form of this thread is open: the program runs while one is.
    static bool AnyOpen();
    // The keyboard handling of forms (Tab, Enter, Esc) for a message the loop took;
    // true when it was handled and must not be dispatched.
    static bool PreTranslate(MSG& msg);

protected:
    std::wstring NativeText(std::size_t control) const override;
    void SetNativeText(std::size_t control, const std::wstring& text) override;
    void NativeAddItem(std::size_t control, const std::wstring& item) override;
    int NativeItemCount(std::size_t control) const override;
    std::wstring NativeItem(std::size_t control, int index) const override;
    int NativeSelected(std::size_t control) const override;
    void NativeSelect(std::size_t control, int index) override;
    void SetNativeProgress(std::size_t control, int value) override;
    int NativeProgress(std::size_t control) const override;

private:
    // A control's window and drop target, by its index in the table.
    struct Control {
        HWND hwnd = nullptr;                // a child of the form; gone with it
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

    void Build(HINSTANCE instance, ATOM form_class);
    HMENU BuildMenus();
    // One control: its kind's own window, made by CreateChild.
    HWND MakeControl(HINSTANCE instance, std::size_t index);
    HWND MakeComboBox(HINSTANCE instance, std::size_t index);
    HWND MakeTextBox(HINSTANCE instance, std::size_t index);
    HWND MakePicture(HINSTANCE instance, std::size_t index);
    HWND MakeProgressBar(HINSTANCE instance, std::size_t index);
    HWND CreateChild(HINSTANCE instance, std::size_t index, const wchar_t* window_class, DWORD style,
                     DWORD ex_style, const std::wstring& text);
    void SetIcon(HINSTANCE instance);
    void ApplyDpi(UINT dpi);
    void PlaceControl(std::size_t index);
    void SizeWindow();
    // The frame around the table's client area at the form's DPI.
    SIZE OuterSize(UINT dpi, bool menu) const;
    void OnWindowPosChanging(WINDOWPOS& position) const;
    DWORD Style() const;
    DWORD ExStyle() const;
    int BackgroundIndex() const;
    void SetTabOrder();
    void RegisterDrops();
    void Centre();
    // Centres the window on `area` (screen coordinates), kept inside the work area of
    // the screen that holds most of `area`.
    void CentreOn(const RECT& area);
    void Present();
    void Hide();
    // Gives back their input to the windows ShowModal took it from.
    void EndModal();
    HFONT FontFor(const FontStyle& layout);
    std::optional<std::size_t> ByWindow(HWND hwnd) const;
    HWND FirstTabStop() const;
    void QueueDrop(const std::wstring& control, const Win32DropData& data);

    FormEvents& events_;
    std::vector<Control> controls_;  // by index in the table

    UINT dpi_ = 96;
    // A fixed dialog's outer size once SizeWindow set it: nothing else may change it.
    std::optional<SIZE> fixed_size_;
    bool open_ = false;
    bool shown_before_ = false;
    bool busy_ = false;
    HWND last_focus_ = nullptr;
    std::vector<HWND> disabled_while_modal_;  // windows this form disabled, to enable again
    std::deque<std::pair<std::wstring, Win32DropData>> pending_drops_;
    DropTarget* form_drop_target_ = nullptr;
    DropRegistration form_drop_registration_;

    // Declared before the window: they outlive it, as its controls use them to the end.
    std::map<std::wstring, FontHandle> fonts_;
    std::vector<BitmapHandle> bitmaps_;
    IconHandle big_icon_, small_icon_;
    WindowHandle window_;
};

// Forms take their artwork (icons, bitmaps) from the resources of the module given,
// by the names the form tables use. Drops need OLE initialised on the thread
// (OleInitialize) before CreateForm; without it a form takes no drops.
//
// Threads: the thread that creates the forms runs RunUntil; Wake only sets an event,
// which any thread may do.
class Win32WindowSystem : public WindowSystem {
public:
    explicit Win32WindowSystem(HINSTANCE instance = GetModuleHandleW(nullptr));
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
    // False on a window station nobody sees (a service, a task run while nobody is
    // logged on): a window there could never be answered.
    bool CanShow() override;
    // The thread's messages, with the forms' keyboard handling, until `done`. A WM_QUIT
    // taken meanwhile is posted again on the way out, for the loop outside.
    void RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                  std::chrono::milliseconds interval) override;
    void Wake() override;

private:
    HINSTANCE instance_;
    // Auto-reset: a Wake that comes before RunUntil waits keeps it signalled.
    EventHandle wake_;
};

// Runs the thread's messages, with the forms' keyboard handling (Tab, Enter, Esc),
// while any form is open. Returns 0 once none is, or the code of a WM_QUIT.
int RunMessageLoop();

}  // namespace ks::win32
