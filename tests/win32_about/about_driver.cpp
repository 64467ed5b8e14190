// Drives the About window of the running Kestrelspooler.exe from another process, with real mouse and keys.
//
//   ks_win32_about_driver STEP...     runs the steps in order; steps that look print one line each:
//     main             waits for the main window                              -> "main"
//     about            waits for a visible About window                       -> "about"
//     about-closed     waits until no About window is visible                 -> "about closed"
//     main-closed      waits until the main window is hidden or gone          -> "main closed"
//     count            the visible About windows                              -> "about windows N"
//     banner           a mouse click on the main window's banner
//     menu ENTRY       chooses a main-window menu entry by name (Help > About: "About")
//     close-main       the main window's close box (SC_CLOSE)
//     press CONTROL    a mouse click on an About window button
//     key KEY          a key press to the foreground window: Escape, Return or Tab
//     set CONTROL TEXT changes an About window control's text (WM_SETTEXT), as a stale copy would
//     dpi              the About window's DPI                                 -> "dpi N"
//     client           its client area                                        -> "client W H"
//     layout           each control's place in the client area, table order   -> "NAME LEFT TOP WIDTH HEIGHT"
//     table            the same from the form table at 15 twips a pixel       -> "NAME LEFT TOP WIDTH HEIGHT"
//     frame            border, boxes and owner                                -> "resizable N minimize N maximize N
//                                                                                 dialog-frame N owner none|some"
//     centred          whether the window sits in the middle of the screen    -> "centred" or "off centre ..."
//     texts            the title and every control's text, table order        -> "title=..." "NAME=..."
//     focus            the control with the keyboard focus                    -> "focus NAME"
//     shot-geometry    the window's size and where its client area starts,
//                      for reading its screenshot                             -> "window W H client-at X Y"
//
// Exit status 0 when every step could be done, 1 otherwise. Texts travel in UTF-8.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "about/about_form.h"
#include "main_window/main_form.h"
#include "platform/win32/win32_form.h"
#include "tests/win32/remote_window.h"

namespace {

constexpr wchar_t kAboutTitle[] = L"About MyApp";

// Every visible About window: a closed one may linger hidden until the next opening.
std::vector<HWND> VisibleAboutWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            if (IsWindowVisible(hwnd) && TextOf(hwnd) == kAboutTitle)
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND AboutWindow() {
    const std::vector<HWND> windows = VisibleAboutWindows();
    return windows.empty() ? nullptr : windows.front();
}

HWND ControlOf(HWND form, const ks::FormLayout& layout, std::wstring_view name) {
    for (size_t i = 0; i < layout.controls.size(); ++i)
        if (layout.controls[i].name == name)
            return GetDlgItem(form, ks::win32::kFirstControlId + static_cast<int>(i));
    return nullptr;
}

std::wstring NameOf(HWND form, const ks::FormLayout& layout, HWND control) {
    if (!control || GetParent(control) != form)
        return L"(none of the About window's)";
    const int index = GetDlgCtrlID(control) - ks::win32::kFirstControlId;
    if (index < 0 || index >= static_cast<int>(layout.controls.size()))
        return L"(unknown)";
    return std::wstring(layout.controls[static_cast<size_t>(index)].name);
}

template <typename Condition>
bool WaitFor(Condition condition) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWaitMs; Sleep(50))
        if (condition())
            return true;
    return false;
}

// A left click as the mouse makes it, at the middle of a window. Each event carries its own
// position: under Wine, an X crossing event the program has not yet handled can move the cursor back
// between a SetCursorPos and a click that relies on it. The target's thread is settled first, so
// that such events are behind us, and the point must really be over the target.
bool Click(HWND target) {
    RECT box;
    if (!target || !GetWindowRect(target, &box))
        return false;
    Settle(GetAncestor(target, GA_ROOT));
    const POINT at{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    if (WindowFromPoint(at) != target)
        return false;
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    if (screen_w <= 1 || screen_h <= 1)
        return false;
    INPUT input[3] = {};
    const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        input[i].type = INPUT_MOUSE;
        input[i].mi.dx = MulDiv(at.x, 65535, screen_w - 1);
        input[i].mi.dy = MulDiv(at.y, 65535, screen_h - 1);
        input[i].mi.dwFlags = flags[i] | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    return SendInput(3, input, sizeof(INPUT)) == 3;
}

bool Key(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

UINT DpiOf(HWND hwnd) {
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto get_dpi = user32 ? reinterpret_cast<GetDpiForWindowCall>(
                                      reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                                : nullptr;
    if (get_dpi)
        return get_dpi(hwnd);
    const HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return static_cast<UINT>(dpi);
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // what was done so far survives a crash
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const ks::FormLayout& about_layout = ks::AboutFormLayout();
    HWND main = MainWindow();
    int status = 0;
    auto fail = [&](const std::string& what) {
        std::printf("failed: %s\n", what.c_str());
        status = 1;
    };
    for (int i = 1; i < argc; ++i) {
        const std::wstring step = argv[i];
        auto arg = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
        const HWND about = AboutWindow();
        if (step == L"main") {
            if (WaitFor([&] { return (main = MainWindow()) && IsWindowVisible(main); }))
                std::printf("main\n");
            else
                fail("no main window");
        } else if (step == L"about") {
            if (WaitFor([] { return AboutWindow() != nullptr; }))
                std::printf("about\n");
            else
                fail("no About window");
        } else if (step == L"about-closed") {
            if (WaitFor([] { return AboutWindow() == nullptr; }))
                std::printf("about closed\n");
            else
                fail("the About window stayed");
        } else if (step == L"main-closed") {
            if (WaitFor([&] { return !IsWindow(main) || !IsWindowVisible(main); }))
                std::printf("main closed\n");
            else
                fail("the main window stayed");
        } else if (step == L"count") {
            std::printf("about windows %zu\n", VisibleAboutWindows().size());
        } else if (step == L"banner") {
            if (!Click(ControlOf(main, ks::MainFormLayout(), L"Image1")))
                fail("cannot click the banner");
            Settle(main);
        } else if (step == L"menu") {
            const std::wstring name = arg();
            const int id = MenuId(name);
            if (id < 0 || !PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0))
                fail("no menu entry " + Utf8(name));
            Settle(main);
        } else if (step == L"close-main") {
            if (!PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0))
                fail("cannot close the main window");
            Settle(main);
        } else if (step == L"press") {
            const std::wstring name = arg();
            if (!Click(ControlOf(about, about_layout, name)))
                fail("cannot click " + Utf8(name));
            Settle(about);
        } else if (step == L"key") {
            const std::wstring name = arg();
            const WORD key = name == L"Escape" ? VK_ESCAPE : name == L"Return" ? VK_RETURN : name == L"Tab" ? VK_TAB : 0;
            if (!key || !Key(key))
                fail("cannot press " + Utf8(name));
            Settle(about);
        } else if (!about) {
            fail("no About window for " + Utf8(step));
        } else if (step == L"set") {
            const std::wstring name = arg();
            const std::wstring text = arg();
            DWORD_PTR ignored = 0;
            const HWND control = ControlOf(about, about_layout, name);
            if (!control || !SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                                 SMTO_NORMAL, kWaitMs, &ignored))
                fail("cannot set " + Utf8(name));
        } else if (step == L"dpi") {
            std::printf("dpi %u\n", DpiOf(about));
        } else if (step == L"client") {
            RECT client;
            GetClientRect(about, &client);
            std::printf("client %ld %ld\n", client.right, client.bottom);
        } else if (step == L"layout" || step == L"table") {
            for (const ks::ControlLayout& c : about_layout.controls) {
                if (c.kind == ks::ControlKind::Line)
                    continue;  // painted by the form; the screenshot shows them
                const std::string name = Utf8(std::wstring(c.name));
                if (step == L"table") {
                    auto px = [](int twips) { return twips % 15 ? -1 : twips / 15; };
                    std::printf("%s %d %d %d %d\n", name.c_str(), px(c.left), px(c.top), px(c.width), px(c.height));
                    continue;
                }
                RECT box;
                const HWND control = ControlOf(about, about_layout, c.name);
                if (!control || !GetWindowRect(control, &box)) {
                    fail("no control " + name);
                    continue;
                }
                MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&box), 2);
                std::printf("%s %ld %ld %ld %ld\n", name.c_str(), box.left, box.top, box.right - box.left,
                            box.bottom - box.top);
            }
        } else if (step == L"frame") {
            const LONG style = GetWindowLongW(about, GWL_STYLE);
            const LONG ex_style = GetWindowLongW(about, GWL_EXSTYLE);
            std::printf("resizable %d minimize %d maximize %d dialog-frame %d owner %s\n",
                        (style & WS_THICKFRAME) != 0, (style & WS_MINIMIZEBOX) != 0, (style & WS_MAXIMIZEBOX) != 0,
                        (ex_style & WS_EX_DLGMODALFRAME) != 0, GetWindow(about, GW_OWNER) ? "some" : "none");
        } else if (step == L"centred") {
            RECT box;
            GetWindowRect(about, &box);
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            GetMonitorInfoW(MonitorFromWindow(about, MONITOR_DEFAULTTOPRIMARY), &monitor);
            const RECT& work = monitor.rcWork;
            const long dx = (box.left + box.right) - (work.left + work.right);
            const long dy = (box.top + box.bottom) - (work.top + work.bottom);
            if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)
                std::printf("centred\n");
            else
                std::printf("off centre by %ld,%ld half-pixels\n", dx, dy);
        } else if (step == L"texts") {
            std::printf("title=%s\n", Utf8(TextOf(about)).c_str());
            for (const ks::ControlLayout& c : about_layout.controls) {
                if (c.kind == ks::ControlKind::Line || c.kind == ks::ControlKind::Picture)
                    continue;
                const HWND control = ControlOf(about, about_layout, c.name);
                std::printf("%s=%s\n", Utf8(std::wstring(c.name)).c_str(),
                            control ? Utf8(TextOf(control)).c_str() : "(missing)");
            }
        } else if (step == L"focus") {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            if (!GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &info))
                fail("no thread information");
            else
                std::printf("focus %s\n", Utf8(NameOf(about, about_layout, info.hwndFocus)).c_str());
        } else if (step == L"shot-geometry") {
            RECT box;
            GetWindowRect(about, &box);
            POINT origin{0, 0};
            ClientToScreen(about, &origin);
            std::printf("window %ld %ld client-at %ld %ld\n", box.right - box.left, box.bottom - box.top,
                        origin.x - box.left, origin.y - box.top);
        } else {
            fail("unknown step " + Utf8(step));
        }
        std::fflush(stdout);
    }
    LocalFree(argv);
    return status;
}
