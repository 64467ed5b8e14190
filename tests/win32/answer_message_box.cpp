// Finds another program's message box by its caption, prints its text and answers it with OK.
//
//   ks_answer_message_box CAPTION [SECONDS]
//
// Prints "caption: CAPTION" and "text: TEXT" (UTF-8) and exits 0 once it clicked OK;
// exits 2 when no such box appeared in time (default 30 s), 3 when it would not close.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include <windows.h>
#include "tests/win32/utf8_out.h"

namespace {

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The message text is the static control with the ID 0xFFFF; the icon is control 1088,
// present in every box and empty in a box without one.
constexpr int kMessageTextId = 0xFFFF;
constexpr int kIconId = 1088;

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the shell
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        std::fputs("usage: ks_answer_message_box CAPTION [SECONDS]\n", stderr);
        return 2;
    }
    const std::wstring caption = argv[1];
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 30;

    HWND box = nullptr;
    for (const DWORD start = GetTickCount(); !box && GetTickCount() - start < seconds * 1000;) {
        box = FindWindowW(L"#32770", caption.c_str());
        if (!box)
            Sleep(50);
    }
    if (!box) {
        std::printf("no message box captioned \"%s\"\n", Utf8(caption).c_str());
        return 2;
    }
    // The box is found as soon as it exists; its controls may still be on their way.
    HWND text = nullptr;
    HWND ok = nullptr;
    for (int i = 0; i < 100 && !(text && ok); ++i, Sleep(20)) {
        text = GetDlgItem(box, kMessageTextId);
        ok = GetDlgItem(box, IDOK);
    }
    std::printf("caption: %s\n", Utf8(WindowText(box)).c_str());
    std::printf("text: %s\n", text ? Utf8(WindowText(text)).c_str() : "");
    std::printf("buttons: %s%s\n", ok ? "OK" : "", GetDlgItem(box, IDCANCEL) ? " Cancel" : "");
    const HWND icon = GetDlgItem(box, kIconId);
    const bool has_icon = icon && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
    std::printf("icon: %s\n", has_icon ? "yes" : "no");
    std::fflush(stdout);
    if (!ok)
        return 3;
    SendMessageW(ok, BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i)
        Sleep(50);
    return IsWindow(box) ? 3 : 0;
}
