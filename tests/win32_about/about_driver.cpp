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
//     table            the same from the program's table, in twips            -> "NAME LEFT TOP WIDTH HEIGHT"
//     frame            border, boxes and owner                                -> "resizable N minimize N maximize N
//                                                                                 dialog-frame N owner none|some"
//     centred          whether the window sits in the middle of the screen    -> "centred" or "off centre ..."
//     texts            the title and every control's text, table order        -> "title=..." "NAME=..."
//     focus            the control with the keyboard focus                    -> "focus NAME"
//     shot-geometry    the window's size and where its client area starts,
//                      for reading its screenshot                             -> "window W H client-at X Y"
//
// Exit status 0 when every step could be done, 1 otherwise (see RunSteps). Texts travel in UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "about/about_form.h"
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

const ks::FormLayout& About() { return ks::AboutFormLayout(); }

}  // namespace

int main() {
    HWND main = MainWindow();
    using Args = std::vector<std::wstring>;
    using Outcome = std::optional<std::string>;
    auto wait = [](bool found, const char* line, const char* otherwise) -> Outcome {
        if (!found)
            return otherwise;
        std::printf("%s\n", line);
        return std::nullopt;
    };
    // A step on the About window, which must be open.
    auto on_about = [](std::function<Outcome(HWND about, const Args&)> run) {
        return [run](const Args& args) -> Outcome {
            const HWND about = AboutWindow();
            return about ? run(about, args) : Outcome("no About window");
        };
    };
    const std::vector<Step> steps = {
        {L"main", {}, [&](const Args&) {
             return wait(WaitFor([&] { return (main = MainWindow()) && IsWindowVisible(main); }), "main",
                         "no main window");
         }},
        {L"about", {}, [&](const Args&) {
             return wait(WaitFor([] { return AboutWindow() != nullptr; }), "about", "no About window");
         }},
        {L"about-closed", {}, [&](const Args&) {
             return wait(WaitFor([] { return AboutWindow() == nullptr; }), "about closed",
                         "the About window stayed");
         }},
        {L"main-closed", {}, [&](const Args&) {
             return wait(WaitFor([&] { return !IsWindow(main) || !IsWindowVisible(main); }), "main closed",
                         "the main window stayed");
         }},
        {L"count", {}, [&](const Args&) -> Outcome {
             std::printf("about windows %zu\n", VisibleAboutWindows().size());
             return std::nullopt;
         }},
        {L"banner", {}, [&](const Args&) -> Outcome {
             const bool clicked = Click(ControlOf(main, ks::MainFormLayout(), ks::main_form::Image1.View()));
             Settle(main);
             return clicked ? Outcome() : Outcome("cannot click the banner");
         }},
        {L"menu", {MainMenuEntry}, [&](const Args& a) -> Outcome {
             const bool chosen = PostMessageW(main, WM_COMMAND, MAKEWPARAM(MenuId(a[0]), 0), 0);
             Settle(main);
             return chosen ? Outcome() : Outcome("cannot choose " + Utf8(a[0]));
         }},
        {L"close-main", {}, [&](const Args&) -> Outcome {
             const bool closed = PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
             Settle(main);
             return closed ? Outcome() : Outcome("cannot close the main window");
         }},
        {L"press", {ControlIn(About())}, [&](const Args& a) -> Outcome {
             const HWND about = AboutWindow();
             const bool clicked = Click(ControlOf(about, About(), a[0]));
             Settle(about);
             return clicked ? Outcome() : Outcome("cannot click " + Utf8(a[0]));
         }},
        {L"key", {[](const std::wstring& k) { return k == L"Escape" || k == L"Return" || k == L"Tab"; }},
         [&](const Args& a) -> Outcome {
             const WORD key = a[0] == L"Escape" ? VK_ESCAPE : a[0] == L"Return" ? VK_RETURN : VK_TAB;
             const HWND about = AboutWindow();
             const bool pressed = Key(key);
             Settle(about);
             return pressed ? Outcome() : Outcome("cannot press " + Utf8(a[0]));
         }},
        {L"set", {ControlIn(About()), AnyText}, on_about([](HWND about, const Args& a) -> Outcome {
             DWORD_PTR ignored = 0;
             const HWND control = ControlOf(about, About(), a[0]);
             if (!control || !SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[1].c_str()),
                                                  SMTO_NORMAL, kWaitMs, &ignored))
                 return "cannot set " + Utf8(a[0]);
             return std::nullopt;
         })},
        {L"dpi", {}, on_about([](HWND about, const Args&) -> Outcome {
             std::printf("dpi %u\n", DpiOf(about));
             return std::nullopt;
         })},
        {L"client", {}, on_about([](HWND about, const Args&) -> Outcome {
             RECT client;
             GetClientRect(about, &client);
             std::printf("client %ld %ld\n", client.right, client.bottom);
             return std::nullopt;
         })},
        {L"layout", {}, on_about([](HWND about, const Args&) -> Outcome {
             Outcome outcome;
             for (const ks::ControlLayout& c : About().controls) {
                 if (c.kind == ks::ControlKind::Line)
                     continue;  // painted by the form; the screenshot shows them
                 const std::wstring name(c.name.View());
                 if (!PrintPlace(about, ControlOf(about, About(), name), name))
                     outcome = "no control " + Utf8(name);
             }
             return outcome;
         })},
        {L"table", {}, [](const Args&) -> Outcome {
             PrintTable(About());
             return std::nullopt;
         }},
        {L"frame", {}, on_about([](HWND about, const Args&) -> Outcome {
             const LONG style = GetWindowLongW(about, GWL_STYLE);
             const LONG ex_style = GetWindowLongW(about, GWL_EXSTYLE);
             std::printf("resizable %d minimize %d maximize %d dialog-frame %d owner %s\n",
                         (style & WS_THICKFRAME) != 0, (style & WS_MINIMIZEBOX) != 0, (style & WS_MAXIMIZEBOX) != 0,
                         (ex_style & WS_EX_DLGMODALFRAME) != 0, GetWindow(about, GW_OWNER) ? "some" : "none");
             return std::nullopt;
         })},
        {L"centred", {}, on_about([](HWND about, const Args&) -> Outcome {
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
             return std::nullopt;
         })},
        {L"texts", {}, on_about([](HWND about, const Args&) -> Outcome {
             std::printf("title=%s\n", Utf8(TextOf(about)).c_str());
             for (const ks::ControlLayout& c : About().controls) {
                 if (c.kind == ks::ControlKind::Line || c.kind == ks::ControlKind::Picture)
                     continue;
                 const HWND control = ControlOf(about, About(), c.name.View());
                 std::printf("%s=%s\n", Utf8(std::wstring(c.name.View())).c_str(),
                             control ? Utf8(TextOf(control)).c_str() : "(missing)");
             }
             return std::nullopt;
         })},
        {L"focus", {}, on_about([](HWND about, const Args&) -> Outcome {
             GUITHREADINFO info{};
             info.cbSize = sizeof info;
             if (!GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &info))
                 return "no thread information";
             std::printf("focus %s\n", Utf8(NameOf(about, About(), info.hwndFocus)).c_str());
             return std::nullopt;
         })},
        {L"shot-geometry", {}, on_about([](HWND about, const Args&) -> Outcome {
             RECT box;
             GetWindowRect(about, &box);
             POINT origin{0, 0};
             ClientToScreen(about, &origin);
             std::printf("window %ld %ld client-at %ld %ld\n", box.right - box.left, box.bottom - box.top,
                         origin.x - box.left, origin.y - box.top);
             return std::nullopt;
         })},
    };
    return RunSteps(steps);
}
