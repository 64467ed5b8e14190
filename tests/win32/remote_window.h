// Reaching the running program's windows from a test driver in another process.
#pragma once

#include <string>

#include "main_window/main_form.h"
#include "platform/win32/win32_form.h"
#include "utf8_out.h"

// A program that does not answer within this time has hung.
inline constexpr DWORD kWaitMs = 30000;

inline HWND MainWindow() { return FindWindowW(ks::win32::kFormClassName, L"Kestrelspooler"); }

// The command ID of a main-window menu entry, in the order the menu table lists them.
inline int MenuId(const std::wstring& name) {
    int id = ks::win32::kFirstMenuId;
    for (const ks::MenuLayout& menu : ks::MainFormLayout().menus)
        for (const ks::MenuEntryLayout& entry : menu.entries) {
            if (entry.name == name)
                return id;
            ++id;
        }
    return -1;
}

// Until the program has handled what it was sent and what was queued before it.
inline void Settle(HWND window) {
    for (int i = 0; i < 2; ++i) {
        Sleep(100);
        DWORD_PTR ignored = 0;
        if (window)
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
    }
}

// Puts the mouse pointer at a point and makes it stay there. Under Wine, a crossing event from the
// X server that the program has not handled yet moves the cursor back to where the pointer was when
// its window appeared; settling the program first and checking afterwards keeps that out of a test.
inline bool PointerAt(HWND window, POINT at) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        Settle(window);
        POINT now{};
        if (SetCursorPos(at.x, at.y))
            Settle(window);
        if (GetCursorPos(&now) && now.x == at.x && now.y == at.y)
            return true;
    }
    return false;
}

// A window's text, asked across processes without waiting for ever.
inline std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWaitMs, &length))
        return L"(no answer)";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kWaitMs, &copied);
    text.resize(copied);
    return text;
}
