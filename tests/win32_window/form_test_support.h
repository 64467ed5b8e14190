// What the in-process form tests do to a Win32 form as the message loop and the user would.
#pragma once

#include <string>

#include "platform/win32/win32_form.h"

#include <windows.h>

namespace ks::test {

// Handles what is queued for this thread's windows, a few rounds apart.
inline void Pump() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!win32::Win32Form::PreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(10);
    }
}

inline std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

inline std::wstring TextOf(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

// A control's box in its parent's client area.
inline RECT InParent(HWND control) {
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&box), 2);
    return box;
}

// A key as the message loop takes it from the queue: through the forms' keyboard handling.
inline void PressKey(WPARAM key) {
    MSG msg{GetFocus(), WM_KEYDOWN, key, 1, static_cast<DWORD>(GetMessageTime()), {}};
    if (!win32::Win32Form::PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    msg.message = WM_KEYUP;
    msg.lParam = static_cast<LPARAM>(0xC0000001);
    if (!win32::Win32Form::PreTranslate(msg))
        DispatchMessageW(&msg);
    Pump();
}

}  // namespace ks::test
