// Watches and drives the running Kestrelspooler.exe's progress window from another process, as a user and the desktop would.
//
//   ks_win32_progress_driver STEP...     runs the steps in order, one output line each:
//     wait TITLE     waits for the visible progress window titled TITLE            -> "window"
//     look TITLE     where it stands and what it says, and whether it keeps answering:
//                    "owner none|OWNER", "centred on the screen yes|no", "sent=TEXT",
//                    "answered N of M" (WM_NULL within a second, the system's hang check)
//     cancel TITLE   presses its Cancel button, without waiting for it          -> "pressed at SENT"
//     gone TITLE     waits until no window has that title                          -> "gone"
//
// Exit status 0 when every step could be done, 1 otherwise (see RunSteps).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "progress/progress_form.h"
#include "tests/win32/remote_window.h"

namespace {

namespace pf = ks::progress_form;

HWND Progress(const std::wstring& title) {
    const HWND hwnd = FindWindowW(ks::win32::kFormClassName, title.c_str());
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

HWND Control(HWND progress, ks::ControlName name) {
    return ControlOf(progress, ks::ProgressFormLayout(L"", L""), name.View());
}

bool Answers(HWND hwnd) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &result) != 0 &&
           !IsHungAppWindow(hwnd);
}

bool CentredOnTheScreen(HWND hwnd) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT frame;
    if (!GetWindowRect(hwnd, &frame) ||
        !GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return false;
    const RECT& work = monitor.rcWork;
    return std::abs((frame.left + frame.right) - (work.left + work.right)) <= 2 &&
           std::abs((frame.top + frame.bottom) - (work.top + work.bottom)) <= 2;
}

}  // namespace

int main() {
    using Args = std::vector<std::wstring>;
    using Outcome = std::optional<std::string>;
    const std::vector<Step> steps = {
        {L"wait", {AnyText}, [](const Args& a) -> Outcome {
             for (const DWORD start = GetTickCount(); GetTickCount() - start < 2 * kWaitMs; Sleep(20))
                 if (Progress(a[0])) {
                     std::printf("window\n");
                     return std::nullopt;
                 }
             return "no window titled " + Utf8(a[0]);
         }},
        {L"look", {AnyText}, [](const Args& a) -> Outcome {
             const HWND progress = Progress(a[0]);
             if (!progress)
                 return "no window titled " + Utf8(a[0]);
             const HWND owner = GetWindow(progress, GW_OWNER);
             std::printf("owner %s\n", owner ? Utf8(TextOf(owner)).c_str() : "none");
             std::printf("centred on the screen %s\n", CentredOnTheScreen(progress) ? "yes" : "no");
             std::printf("sent=%s\n", Utf8(TextOf(Control(progress, pf::lblSent))).c_str());
             int answered = 0;
             constexpr int kLooks = 10;
             for (int i = 0; i < kLooks; ++i, Sleep(100))
                 answered += Answers(progress) ? 1 : 0;
             std::printf("answered %d of %d\n", answered, kLooks);
             return std::nullopt;
         }},
        {L"cancel", {AnyText}, [](const Args& a) -> Outcome {
             const HWND progress = Progress(a[0]);
             const std::wstring sent = progress ? TextOf(Control(progress, pf::lblSent)) : L"";
             if (!progress || !PostMessageW(Control(progress, pf::cmdCancel), BM_CLICK, 0, 0))
                 return "cannot press Cancel in " + Utf8(a[0]);
             std::printf("pressed at %s\n", Utf8(sent).c_str());
             return std::nullopt;
         }},
        {L"gone", {AnyText}, [](const Args& a) -> Outcome {
             for (const DWORD start = GetTickCount(); GetTickCount() - start < 4 * kWaitMs; Sleep(50))
                 if (!FindWindowW(ks::win32::kFormClassName, a[0].c_str())) {
                     std::printf("gone\n");
                     return std::nullopt;
                 }
             return "the window stayed: " + Utf8(a[0]);
         }},
    };
    return RunSteps(steps);
}
