// The window-system service on Win32: one native window per form table, its events routed by control name, and the message loop.
#include "platform/win32/win32_form.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/win32/desktop.h"
#include "platform/win32/error_text.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace ks::win32 {

namespace {

// Posted to a form to hand over the drops its targets took (see QueueDrop).
constexpr UINT kDeliverDrops = WM_APP + 1;

// Room for the list below a combo box's field: the window's height as created
// includes it, the field itself keeps the table's height.
constexpr int kComboListPixels = 160;

std::vector<Win32Form*>& LiveForms() {
    static std::vector<Win32Form*> forms;
    return forms;
}

// Calls of Windows 10 and later, looked up so that the program still starts where
// they are missing (the screen's DPI and the older calls serve there).
template <typename Function>
Function User32Call(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

UINT WindowDpi(HWND hwnd) {
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const auto get_dpi = User32Call<GetDpiForWindowCall>("GetDpiForWindow");
    if (get_dpi && hwnd) {
        if (const UINT dpi = get_dpi(hwnd))
            return dpi;
    }
    const HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void AdjustForDpi(RECT& rect, DWORD style, bool menu, DWORD ex_style, UINT dpi) {
    using AdjustCall = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = User32Call<AdjustCall>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&rect, style, menu, ex_style, dpi))
        AdjustWindowRectEx(&rect, style, menu, ex_style);
}

int SystemMetric(int index, UINT dpi) {
    using MetricCall = int(WINAPI*)(int, UINT);
    static const auto metric = User32Call<MetricCall>("GetSystemMetricsForDpi");
    return metric ? metric(index, dpi) : GetSystemMetrics(index);
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring FontKey(const FontStyle& layout) {
    return std::wstring(layout.face) + L'|' + std::to_wstring(layout.points) + L'|' +
           std::to_wstring(layout.weight) + (layout.italic ? L"|i" : L"|") + (layout.underline ? L"u" : L"");
}

// The multi-line text box under the dialog manager: it asks for every key, and
// the edit control answers Esc by posting WM_CLOSE to its parent, which would close
// the window as its close box does. Esc goes to the form's cancel handling instead.
LRESULT CALLBACK MultiLineEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                   DWORD_PTR) {
    if ((message == WM_KEYDOWN && wparam == VK_ESCAPE) || (message == WM_CHAR && wparam == 0x1B)) {
        if (message == WM_KEYDOWN)
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, MultiLineEditProc, 0);
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

TEXTMETRICW Metrics(HFONT font) {
    TEXTMETRICW metrics{};
    if (const HDC dc = CreateCompatibleDC(nullptr)) {
        const HGDIOBJ old = SelectObject(dc, font);
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    return metrics;
}

// The form class, registered once for the process's life; 0 when it cannot be. Forms
// are created by its atom, never by its name: a name is looked up again at every
// CreateWindowEx in the atom table that all programs of the window station share, and
// other programs register and drop this same name (the program's earlier runs, its
// test drivers), so under Wine a name that resolved a moment ago can fail with "Class
// does not exist". The atom the registration returned stays this process's.
ATOM FormClass(HINSTANCE instance, WNDPROC procedure) {
    static std::map<HINSTANCE, ATOM> registered;  // the UI thread's alone
    if (const auto found = registered.find(instance); found != registered.end())
        return found->second;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;  // each form erases with its own colour
    wc.lpszClassName = kFormClassName;
    ATOM atom = RegisterClassExW(&wc);
    if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof existing;
        atom = static_cast<ATOM>(GetClassInfoExW(instance, kFormClassName, &existing));
    }
    if (atom)
        registered.emplace(instance, atom);
    return atom;
}

BOOL CALLBACK CollectVisible(HWND hwnd, LPARAM found) {
    if (IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
    return TRUE;
}

// The top-level windows of this thread on screen: the program's forms, a message box.
std::vector<HWND> VisibleThreadWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A failed call that leaves the form without a window, with the system's reason.
WindowError WindowFailure(std::wstring_view what) {
    const std::wstring reason = ErrorText(GetLastError());
    return WindowError(std::wstring(what) + (reason.empty() ? L"" : L": " + reason));
}

// Whether the system has an outline face of this name, not merely a stand-in for it.
bool HasOutlineFace(std::wstring_view face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::copy_n(face.data(), std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1)), lf.lfFaceName);
    bool found = false;
    const HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(
        dc, &lf,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM found_flag) -> int {
            if (type & TRUETYPE_FONTTYPE)
                *reinterpret_cast<bool*>(found_flag) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// The printer box and the path field show names the user brings, in any script. The
// raster MS Sans Serif holds one code page's characters, and the system fills in missing
// characters from linked fonts only for outline faces. Its outline twin, Microsoft Sans
// Serif, has the same metrics; where it is missing (Wine), Tahoma, which has them too at
// this size, takes its place.
FontStyle DrawingFont(const ControlLayout& layout) {
    FontStyle font = layout.font;
    const bool user_text = layout.kind == ControlKind::ComboBox ||
                           (layout.kind == ControlKind::TextBox && !layout.read_only);
    if (user_text && font.face == L"MS Sans Serif") {
        static const bool twin = HasOutlineFace(L"Microsoft Sans Serif");
        font.face = twin ? L"Microsoft Sans Serif" : L"Tahoma";
    }
    return font;
}

}  // namespace

std::optional<int> ControlId(const FormLayout& layout, std::wstring_view control) {
    for (std::size_t i = 0; i < layout.controls.size(); ++i)
        if (layout.controls[i].name.View() == control)
            return kFirstControlId + static_cast<int>(i);
    return std::nullopt;
}

std::optional<int> MenuId(const FormLayout& layout, std::wstring_view entry) {
    int id = kFirstMenuId;
    for (const MenuLayout& menu : layout.menus)
        for (const MenuEntryLayout& e : menu.entries) {
            if (e.name.View() == entry)
                return id;
            ++id;
        }
    return std::nullopt;
}

std::optional<ControlName> ControlOfId(const FormLayout& layout, int id) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(layout.controls.size()))
        return std::nullopt;
    return layout.controls[static_cast<std::size_t>(index)].name;
}

int FontHeight(double points, UINT dpi) {
    return -static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72.0));
}

Win32Form::Win32Form(HINSTANCE instance, const FormLayout& layout, FormEvents& events)
    : TableForm(layout), events_(events), controls_(Table().controls.size()) {
    const ATOM form_class = FormClass(instance, WindowProc);
    if (!form_class)
        throw WindowFailure(L"the form's window class could not be registered");
    Build(instance, form_class);
    LiveForms().push_back(this);
}

Win32Form::~Win32Form() {
    std::erase(LiveForms(), this);
    EndModal();
    // OLE may hold a target a little longer than the window: it must find no form.
    auto revoke = [](DropTarget*& target, DropRegistration& registration) {
        if (!target)
            return;
        target->Detach();
        registration.Reset();
        target->Release();
        target = nullptr;
    };
    for (Control& c : controls_)
        revoke(c.drop_target, c.drop_registration);
    revoke(form_drop_target_, form_drop_registration_);
    window_.Reset();
}

LRESULT CALLBACK Win32Form::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Win32Form* form = nullptr;
    if (message == WM_NCCREATE) {
        form = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->window_.Reset(hwnd);
    } else {
        form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!form)
        return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        form->EndModal();  // destroyed with its owner, or by the system
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->window_.Release();
        form->open_ = false;
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    return form->HandleMessage(message, wparam, lparam);
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND hwnd = window_.Get();
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        if (OnEraseBackground(reinterpret_cast<HDC>(wparam)))
            return 1;
        break;
    case WM_CTLCOLORSTATIC:
        return OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_SETCURSOR:
        if (OnSetCursor())
            return TRUE;
        break;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wparam) != WA_INACTIVE);
        return 0;
    case WM_NEXTDLGCTL:
        OnNextDialogControl(wparam, lparam);
        return 0;
    case DM_GETDEFID:
        return OnGetDefaultId();
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lparam));
        break;
    case kDeliverDrops:
        OnDeliverDrops();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

void Win32Form::OnCommand(int id, int code) {
    if (id == IDCANCEL) {  // Esc, from the dialog manager
        if (Table().cancel_button)
            events_.Click(*Table().cancel_button);
        return;
    }
    const int entry = id - kFirstMenuId;
    int first = 0;
    for (const MenuLayout& menu : Table().menus) {
        if (entry >= first && entry < first + static_cast<int>(menu.entries.size())) {
            if (code == 0)
                events_.Click(menu.entries[static_cast<std::size_t>(entry - first)].name);
            return;
        }
        first += static_cast<int>(menu.entries.size());
    }
    // IDOK without a default button: Enter presses nothing.
    const std::optional<ControlName> control = ControlOfId(Table(), id);
    if (!control)
        return;
    const ControlKind kind = Layout(IndexOf(*control)).kind;
    // BN_CLICKED and STN_CLICKED are both 0; labels send neither (no SS_NOTIFY).
    if (code == BN_CLICKED && (kind == ControlKind::Button || kind == ControlKind::Picture))
        events_.Click(*control);
}

void Win32Form::OnClose() {
    if (!events_.QueryUnload())
        return;
    events_.Unload();
    Hide();
}

void Win32Form::OnPaint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window_.Get(), &ps);
    for (const ControlLayout& line : Table().controls) {
        if (line.kind != ControlKind::Line)
            continue;
        const Colour colour = line.fore.value_or(Colour{0, 0, 0});
        PenHandle pen(CreatePen(PS_SOLID, std::max(line.line_width, 1), RGB(colour.red, colour.green, colour.blue)));
        const HGDIOBJ old = SelectObject(dc, pen.Get());
        MoveToEx(dc, TwipsToPixels(line.left, dpi_), TwipsToPixels(line.top, dpi_), nullptr);
        LineTo(dc, TwipsToPixels(line.x2, dpi_), TwipsToPixels(line.y2, dpi_));
        SelectObject(dc, old);
    }
    EndPaint(window_.Get(), &ps);
}

int Win32Form::BackgroundIndex() const { return Table().system_background ? COLOR_ACTIVEBORDER : COLOR_3DFACE; }

bool Win32Form::OnEraseBackground(HDC dc) {
    RECT client;
    GetClientRect(window_.Get(), &client);
    FillRect(dc, &client, GetSysColorBrush(BackgroundIndex()));
    return true;
}

// Labels stand on the form's colour; controls the table puts on the system
// background (the main window's labels and size field) take that colour; every
// other control keeps its platform default. A fore colour sets the text.
LRESULT Win32Form::OnControlColour(HDC dc, HWND control) {
    const std::optional<std::size_t> at = ByWindow(control);
    const HWND hwnd = window_.Get();
    if (!at)
        return DefWindowProcW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    const ControlLayout& c = Layout(*at);
    int index = -1;
    if (c.system_background)
        index = COLOR_ACTIVEBORDER;
    else if (c.kind == ControlKind::Label || c.kind == ControlKind::Picture)
        index = BackgroundIndex();
    if (index < 0 && !c.fore)
        return DefWindowProcW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    if (index < 0)
        index = COLOR_3DFACE;  // what a static or read-only edit has by default
    SetBkColor(dc, GetSysColor(index));
    if (c.fore)
        SetTextColor(dc, RGB(c.fore->red, c.fore->green, c.fore->blue));
    else
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(index));
}

bool Win32Form::OnSetCursor() {
    for (const Win32Form* form : LiveForms()) {
        if (form->busy_) {
            SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
            return true;
        }
    }
    return false;
}

// The focus leaves with the window and comes back to the control that had it.
void Win32Form::OnActivate(bool active) {
    const HWND hwnd = window_.Get();
    if (!active) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus))
            last_focus_ = focus;
        return;
    }
    HWND target = last_focus_ && IsWindow(last_focus_) && IsChild(hwnd, last_focus_) ? last_focus_ : FirstTabStop();
    if (target)
        SetFocus(target);
}

// As the dialog manager moves the focus: the next or previous tab stop, or the
// control named; a text box reached this way has its text selected.
void Win32Form::OnNextDialogControl(WPARAM wparam, LPARAM lparam) {
    const HWND hwnd = window_.Get();
    HWND next = nullptr;
    if (LOWORD(lparam))
        next = reinterpret_cast<HWND>(wparam);
    else
        next = GetNextDlgTabItem(hwnd, GetFocus(), wparam != 0);
    if (!next || !IsChild(hwnd, next))
        return;
    SetFocus(next);
    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(next, EM_SETSEL, 0, -1);
}

// Enter: the focused button when the form has a default button, else the default
// button; nothing on a form without one.
LRESULT Win32Form::OnGetDefaultId() const {
    if (!Table().default_button)
        return 0;
    std::size_t button = IndexOf(*Table().default_button);
    if (const std::optional<std::size_t> focused = ByWindow(GetFocus());
        focused && Layout(*focused).kind == ControlKind::Button)
        button = *focused;
    return MAKELRESULT(kFirstControlId + static_cast<int>(button), DC_HASDEFID);
}

void Win32Form::OnDpiChanged(UINT dpi, const RECT& suggested) {
    fixed_size_.reset();  // the suggested size is the new DPI's
    ApplyDpi(dpi);
    SetWindowPos(window_.Get(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A drop is handed to the form's handler from the form's own message loop, after
// the drag's source got its answer: the handler loads a file, which may take long,
// and the source must not wait for that.
void Win32Form::QueueDrop(const std::wstring& control, const Win32DropData& data) {
    pending_drops_.emplace_back(control, data);
    PostMessageW(window_.Get(), kDeliverDrops, 0, 0);
}

void Win32Form::OnDeliverDrops() {
    while (!pending_drops_.empty()) {
        auto [control, data] = std::move(pending_drops_.front());
        pending_drops_.pop_front();
        events_.Drop(ControlName(control), data);
    }
}

DWORD Win32Form::Style() const {
    if (Table().border == BorderStyle::FixedDialog)
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

DWORD Win32Form::ExStyle() const {
    // A fixed dialog frame, and no icon in its title bar.
    return Table().border == BorderStyle::FixedDialog ? WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT : WS_EX_CONTROLPARENT;
}

// The window is made at its full size for the screen's DPI: a window made smaller and
// sized afterwards can be shown at the size it was made with (under Wine the X server's
// answer to the first size may arrive after the second; that gave a progress window of
// 194 x 75 pixels without its Cancel button).
void Win32Form::Build(HINSTANCE instance, ATOM form_class) {
    MenuHandle menu(BuildMenus());
    const std::wstring title(Table().title);
    dpi_ = WindowDpi(nullptr);
    const SIZE size = OuterSize(dpi_, menu.Get() != nullptr);
    const HWND hwnd = CreateWindowExW(ExStyle(), reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(form_class)),
                                      title.c_str(), Style(), 0, 0, size.cx, size.cy, nullptr, menu.Get(), instance,
                                      this);
    if (!hwnd)
        throw WindowFailure(L"the form's window could not be created");
    menu.Release();  // the window's now
    dpi_ = WindowDpi(hwnd);
    for (std::size_t i = 0; i < controls_.size(); ++i)
        controls_[i].hwnd = MakeControl(instance, i);
    SetIcon(instance);
    ApplyDpi(dpi_);
    SetTabOrder();
    RegisterDrops();
}

HMENU Win32Form::BuildMenus() {
    if (Table().menus.empty())
        return nullptr;
    const HMENU bar = CreateMenu();
    int id = kFirstMenuId;
    for (const MenuLayout& menu : Table().menus) {
        const HMENU popup = CreatePopupMenu();
        for (const MenuEntryLayout& entry : menu.entries)
            AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(id++), CaptionShown(entry.caption).c_str());
        AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), CaptionShown(menu.caption).c_str());
    }
    return bar;
}

HWND Win32Form::MakeControl(HINSTANCE instance, std::size_t index) {
    const ControlLayout& layout = Layout(index);
    switch (layout.kind) {
    case ControlKind::Label:
        return CreateChild(instance, index, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, std::wstring(layout.caption));
    case ControlKind::ComboBox:
        return MakeComboBox(instance, index);
    case ControlKind::TextBox:
        return MakeTextBox(instance, index);
    case ControlKind::Button: {
        const bool is_default = Table().default_button == layout.name;
        return CreateChild(instance, index, L"BUTTON", is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 0,
                           CaptionShown(layout.caption));
    }
    case ControlKind::Picture:
        return MakePicture(instance, index);
    case ControlKind::Line:
        return nullptr;  // painted by the form
    case ControlKind::ProgressBar:
        return MakeProgressBar(instance, index);
    }
    return nullptr;
}

HWND Win32Form::MakeComboBox(HINSTANCE instance, std::size_t index) {
    const HWND hwnd = CreateChild(instance, index, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0, L"");
    // A combo box takes no text at creation.
    if (hwnd && !Layout(index).caption.empty())
        SetWindowTextW(hwnd, std::wstring(Layout(index).caption).c_str());
    return hwnd;
}

HWND Win32Form::MakeTextBox(HINSTANCE instance, std::size_t index) {
    const ControlLayout& layout = Layout(index);
    // Multi-line: Enter is a line break, long text wraps, no scroll bars.
    DWORD style = layout.multi_line ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
    if (layout.read_only)
        style |= ES_READONLY;
    const HWND hwnd = CreateChild(instance, index, L"EDIT", style, WS_EX_CLIENTEDGE, std::wstring(layout.caption));
    if (hwnd && layout.multi_line)
        SetWindowSubclass(hwnd, MultiLineEditProc, 0, 0);
    return hwnd;
}

HWND Win32Form::MakePicture(HINSTANCE instance, std::size_t index) {
    const ControlLayout& layout = Layout(index);
    // SS_NOTIFY: clicks arrive as STN_CLICKED.
    const HWND hwnd = CreateChild(instance, index, L"STATIC", SS_BITMAP | SS_NOTIFY,
                                  layout.sunken_border ? WS_EX_CLIENTEDGE : 0, L"");
    if (!hwnd || layout.caption.empty())
        return hwnd;
    BitmapHandle bitmap(static_cast<HBITMAP>(
        LoadImageW(instance, std::wstring(layout.caption).c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (bitmap) {
        SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.Get()));
        bitmaps_.push_back(std::move(bitmap));
    }
    return hwnd;
}

HWND Win32Form::MakeProgressBar(HINSTANCE instance, std::size_t index) {
    // The class lives in comctl32, which registers it on request; asking again does no harm.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    const HWND hwnd = CreateChild(instance, index, PROGRESS_CLASSW, 0, 0, L"");
    if (hwnd)
        SendMessageW(hwnd, PBM_SETRANGE32, 0, kProgressFull);
    return hwnd;
}

// What every control's window gets: the form as its parent, its command ID, a group of
// its own (the arrow keys move nothing) and a tab stop when the Tab key visits it. Its
// place and font come with the DPI (ApplyDpi), its colours from OnControlColour.
HWND Win32Form::CreateChild(HINSTANCE instance, std::size_t index, const wchar_t* window_class, DWORD style,
                            DWORD ex_style, const std::wstring& text) {
    style |= WS_CHILD | WS_VISIBLE | WS_GROUP;
    if (FocusOf(Layout(index)) == Focus::Tab)
        style |= WS_TABSTOP;
    return CreateWindowExW(ex_style, window_class, text.c_str(), style, 0, 0, 10, 10, window_.Get(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(index))),
                           instance, nullptr);
}

void Win32Form::SetIcon(HINSTANCE instance) {
    if (Table().icon.empty())
        return;
    const std::wstring icon(Table().icon);
    auto load = [&](int width_metric, int height_metric) {
        return IconHandle(static_cast<HICON>(LoadImageW(instance, icon.c_str(), IMAGE_ICON,
                                                        SystemMetric(width_metric, dpi_),
                                                        SystemMetric(height_metric, dpi_), LR_DEFAULTCOLOR)));
    };
    big_icon_ = load(SM_CXICON, SM_CYICON);
    small_icon_ = load(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(window_.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.Get()));
    SendMessageW(window_.Get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.Get()));
}

HFONT Win32Form::FontFor(const FontStyle& layout) {
    const std::wstring key = FontKey(layout);
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second.Get();
    LOGFONTW lf{};
    lf.lfHeight = FontHeight(layout.points, dpi_);
    lf.lfWeight = layout.weight;
    lf.lfItalic = layout.italic ? TRUE : FALSE;
    lf.lfUnderline = layout.underline ? TRUE : FALSE;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    const size_t n = std::min(layout.face.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::copy_n(layout.face.data(), n, lf.lfFaceName);
    FontHandle font(CreateFontIndirectW(&lf));
    // Windows slants the raster MS Sans Serif; Wine cannot, and draws it upright.
    // Its outline twin (or what the system puts in its place) then gives the italic
    // the labels need, at the same size.
    if (layout.italic && !Metrics(font.Get()).tmItalic) {
        constexpr std::wstring_view kOutlineFace = L"Microsoft Sans Serif";
        std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), L'\0');
        std::copy(kOutlineFace.begin(), kOutlineFace.end(), lf.lfFaceName);
        FontHandle outline(CreateFontIndirectW(&lf));
        if (outline && Metrics(outline.Get()).tmItalic)
            font = std::move(outline);
    }
    return fonts_.emplace(key, std::move(font)).first->second.Get();
}

// Fonts, control places and the window's size for a DPI: at start, and again when
// the window moves to a screen of another DPI.
void Win32Form::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    std::map<std::wstring, FontHandle> old_fonts;
    old_fonts.swap(fonts_);  // freed once every control has its new font
    SendMessageW(window_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(FontStyle{})), FALSE);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (!controls_[i].hwnd)
            continue;
        SendMessageW(controls_[i].hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(DrawingFont(Layout(i)))), FALSE);
        PlaceControl(i);
    }
    SizeWindow();
    InvalidateRect(window_.Get(), nullptr, TRUE);
}

void Win32Form::PlaceControl(std::size_t index) {
    const ControlLayout& layout = Layout(index);
    const HWND hwnd = controls_[index].hwnd;
    const int x = TwipsToPixels(layout.left, dpi_);
    const int y = TwipsToPixels(layout.top, dpi_);
    const int width = TwipsToPixels(layout.width, dpi_);
    const int height = TwipsToPixels(layout.height, dpi_);
    if (layout.kind != ControlKind::ComboBox) {
        SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // A drop-down combo box sizes its field from the font; its item height is set
    // so that the field is as high as the table says, as far as the font allows
    // (at a higher DPI the field may need a pixel or two more than the table).
    // The field's frame need not grow one for one with the item height: a few rounds.
    SetWindowPos(hwnd, nullptr, x, y, width, height + kComboListPixels, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int round = 0; round < 4; ++round) {
        RECT box;
        GetWindowRect(hwnd, &box);
        const int off = height - (box.bottom - box.top);
        const LRESULT item = SendMessageW(hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        if (off == 0 || item == CB_ERR || item + off <= 0)
            break;
        SendMessageW(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item + off);
    }
}

SIZE Win32Form::OuterSize(UINT dpi, bool menu) const {
    RECT frame{0, 0, TwipsToPixels(Table().client_width, dpi), TwipsToPixels(Table().client_height, dpi)};
    AdjustForDpi(frame, Style(), menu, ExStyle(), dpi);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// The client area is what the table sizes; the frame and the menu bar come around it.
void Win32Form::SizeWindow() {
    const HWND hwnd = window_.Get();
    const int width = TwipsToPixels(Table().client_width, dpi_);
    const int height = TwipsToPixels(Table().client_height, dpi_);
    SIZE outer = OuterSize(dpi_, GetMenu(hwnd) != nullptr);
    fixed_size_.reset();
    SetWindowPos(hwnd, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps onto a second line is more than the calculation knew.
    RECT client;
    GetClientRect(hwnd, &client);
    if (client.right != width || client.bottom != height) {
        outer.cx += width - client.right;
        outer.cy += height - client.bottom;
        SetWindowPos(hwnd, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Table().border == BorderStyle::FixedDialog)
        fixed_size_ = outer;
}

// A fixed dialog keeps the size its table gives: the user cannot drag its frame, and
// no late answer of the window system about an earlier size may cut it down.
void Win32Form::OnWindowPosChanging(WINDOWPOS& position) const {
    if (fixed_size_ && !(position.flags & SWP_NOSIZE)) {
        position.cx = fixed_size_->cx;
        position.cy = fixed_size_->cy;
    }
}

// The dialog manager's Tab visits the tab stops in z-order: they go on top, in the
// order Tab visits them.
void Win32Form::SetTabOrder() {
    HWND after = HWND_TOP;
    for (const std::size_t i : TabOrder(Table().controls)) {
        SetWindowPos(controls_[i].hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = controls_[i].hwnd;
    }
}

// Every control gets a target when the form takes drops at all: an accepting one,
// or one that refuses, so that a drag over a refusing control does not reach the
// window behind it (OLE looks for a target up the parent chain).
void Win32Form::RegisterDrops() {
    const bool takes_drops = std::any_of(Table().controls.begin(), Table().controls.end(),
                                         [](const ControlLayout& c) { return c.accepts_drops; });
    if (!takes_drops)
        return;
    auto make = [this](HWND hwnd, const std::wstring& name, bool accepts, DropTarget*& target,
                       DropRegistration& registration) {
        target = new DropTarget(accepts, [this, name](const Win32DropData& data) { QueueDrop(name, data); });
        if (RegisterDragDrop(hwnd, target) == S_OK)
            registration.Reset(hwnd);
    };
    make(window_.Get(), std::wstring(Table().name.View()), true, form_drop_target_, form_drop_registration_);
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (Control& c = controls_[i]; c.hwnd)
            make(c.hwnd, std::wstring(Layout(i).name.View()), Layout(i).accepts_drops, c.drop_target,
                 c.drop_registration);
}

void Win32Form::Centre() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(window_.Get(), MONITOR_DEFAULTTOPRIMARY), &monitor))
        CentreOn(monitor.rcWork);
}

void Win32Form::CentreOn(const RECT& area) {
    const HWND hwnd = window_.Get();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT frame;
    GetWindowRect(hwnd, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // An owner near the edge of the screen must not push the window off it.
    const int left = std::clamp<int>(area.left + (area.right - area.left - width) / 2, work.left,
                                     std::max<int>(work.left, work.right - width));
    const int top = std::clamp<int>(area.top + (area.bottom - area.top - height) / 2, work.top,
                                    std::max<int>(work.top, work.bottom - height));
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Win32Form::FirstTabStop() const {
    const std::vector<std::size_t> order = TabOrder(Table().controls);
    return order.empty() ? nullptr : controls_[order.front()].hwnd;
}

void Win32Form::Show() {
    if (!shown_before_)
        Centre();
    Present();
}

void Win32Form::ShowModal(Form* owner) {
    const HWND hwnd = window_.Get();
    const HWND owner_window = owner ? static_cast<HWND>(owner->NativeHandle()) : nullptr;
    EndModal();
    auto take_input = [this, hwnd](HWND other) {
        if (other != hwnd && IsWindowEnabled(other)) {
            EnableWindow(other, FALSE);
            disabled_while_modal_.push_back(other);
        }
    };
    if (owner_window && owner_window != hwnd && IsWindowVisible(owner_window)) {
        SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_window));
        RECT frame;
        if (!IsIconic(owner_window) && GetWindowRect(owner_window, &frame))
            CentreOn(frame);
        else
            Centre();
        take_input(owner_window);
    } else {
        SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, 0);
        Centre();
        for (const HWND other : VisibleThreadWindows())
            take_input(other);
    }
    Present();
}

void Win32Form::EndModal() {
    for (const HWND other : disabled_while_modal_)
        if (IsWindow(other))
            EnableWindow(other, TRUE);
    disabled_while_modal_.clear();
}

void Win32Form::Present() {
    const HWND hwnd = window_.Get();
    const bool was_open = open_;
    shown_before_ = true;
    open_ = true;
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    if (!was_open) {
        last_focus_ = nullptr;
        if (const HWND first = FirstTabStop())
            SetFocus(first);
    }
    UpdateWindow(hwnd);
}

void Win32Form::Activate() {
    const HWND hwnd = window_.Get();
    if (IsIconic(hwnd))
        ShowWindow(hwnd, SW_RESTORE);
    BringWindowToTop(hwnd);
    SetForegroundWindow(hwnd);
}

void Win32Form::Hide() {
    // The owner first: enabled, it takes the activation this window gives up.
    EndModal();
    ShowWindow(window_.Get(), SW_HIDE);
    open_ = false;
}

void Win32Form::Close() { Hide(); }

bool Win32Form::AnyOpen() {
    const auto& forms = LiveForms();
    return std::any_of(forms.begin(), forms.end(), [](const Win32Form* f) { return f->open_; });
}

bool Win32Form::PreTranslate(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd)
        return false;
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    for (const Win32Form* form : LiveForms())
        if (form->window_.Get() == root)
            return IsDialogMessageW(root, &msg) != FALSE;
    return false;
}

std::optional<std::size_t> Win32Form::ByWindow(HWND hwnd) const {
    if (!hwnd)
        return std::nullopt;
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (const HWND c = controls_[i].hwnd; c && (c == hwnd || IsChild(c, hwnd)))  // a combo box's own edit
            return i;
    return std::nullopt;
}

HWND Win32Form::ControlWindow(ControlName control) const { return controls_[IndexOf(control)].hwnd; }

std::wstring Win32Form::NativeText(std::size_t control) const { return WindowText(controls_[control].hwnd); }

void Win32Form::SetNativeText(std::size_t control, const std::wstring& text) {
    SetWindowTextW(controls_[control].hwnd, text.c_str());
}

void Win32Form::NativeAddItem(std::size_t control, const std::wstring& item) {
    SendMessageW(controls_[control].hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int Win32Form::NativeItemCount(std::size_t control) const {
    const LRESULT n = SendMessageW(controls_[control].hwnd, CB_GETCOUNT, 0, 0);
    return n == CB_ERR ? 0 : static_cast<int>(n);
}

std::wstring Win32Form::NativeItem(std::size_t control, int index) const {
    const HWND combo = controls_[control].hwnd;
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT n = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n == CB_ERR ? 0 : static_cast<size_t>(n));
    return text;
}

int Win32Form::NativeSelected(std::size_t control) const {
    const LRESULT selected = SendMessageW(controls_[control].hwnd, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

void Win32Form::NativeSelect(std::size_t control, int index) {
    SendMessageW(controls_[control].hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32Form::SetNativeProgress(std::size_t control, int value) {
    SendMessageW(controls_[control].hwnd, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

int Win32Form::NativeProgress(std::size_t control) const {
    return static_cast<int>(SendMessageW(controls_[control].hwnd, PBM_GETPOS, 0, 0));
}

void Win32Form::RefreshAll() {
    if (IsWindowVisible(window_.Get()))
        RedrawWindow(window_.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Form::SetBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        return;
    }
    // The pointer stays as it is until something asks again: ask now.
    POINT at;
    if (!GetCursorPos(&at))
        return;
    const HWND under = WindowFromPoint(at);
    if (under && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
        const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
        SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
    }
}

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance)
    : instance_(instance), wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

std::unique_ptr<Form> Win32WindowSystem::CreateForm(const FormLayout& layout, FormEvents& events) {
    return std::make_unique<Win32Form>(instance_, layout, events);
}

bool Win32WindowSystem::CanShow() { return DesktopIsVisible(); }

// Without the event (it could not be created) the loop still ends: `done` is asked
// after every tick.
void Win32WindowSystem::RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                                 std::chrono::milliseconds interval) {
    using Clock = std::chrono::steady_clock;
    const HANDLE wake = wake_.Get();
    std::optional<WPARAM> quit;
    Clock::time_point next_tick = Clock::now() + interval;
    while (!done()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next_tick - Clock::now()).count();
        // MWMO_INPUTAVAILABLE: input that an earlier peek saw but left in the queue
        // still ends the wait.
        MsgWaitForMultipleObjectsEx(wake ? 1 : 0, wake ? &wake : nullptr, left > 0 ? static_cast<DWORD>(left) : 0,
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // The queue until it is empty, the job has ended or a tick is due: a stream of
        // messages holds up neither, and each round takes at least one.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = msg.wParam;
            } else if (!Win32Form::PreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            if (done() || Clock::now() >= next_tick)
                break;
        }
        if (done())
            break;
        if (Clock::now() >= next_tick) {
            tick();
            next_tick = Clock::now() + interval;
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(*quit));
}

void Win32WindowSystem::Wake() {
    if (wake_)
        SetEvent(wake_.Get());
}

int RunMessageLoop() {
    MSG msg;
    while (Win32Form::AnyOpen()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 1;
        if (Win32Form::PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace ks::win32
