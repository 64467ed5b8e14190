// What the in-process form tests do to a Win32 form as the message loop and the user would.
#pragma once

#include <array>
#include <cstdlib>
#include <string>

#include "fakes/form_contract.h"
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

// Handles what comes for this thread's windows for `ms` milliseconds.
inline void PumpFor(DWORD ms) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;)
        Pump();
}

// The visible top-level window of that class and title, waited for up to `wait_ms`.
inline HWND VisibleWindow(const wchar_t* window_class, const std::wstring& title, DWORD wait_ms) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < wait_ms; Sleep(20)) {
        const HWND hwnd = FindWindowW(window_class, title.c_str());
        if (hwnd && IsWindowVisible(hwnd))
            return hwnd;
    }
    return nullptr;
}

inline std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
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

// What the form contract sees of a shown Win32 form built from `layout`.
inline fakes::NativeView ViewOf(win32::Win32Form& form, const FormLayout& layout) {
    return {
        .dpi = static_cast<double>(form.Dpi()),
        .place = [&form](ControlName c) {
            const RECT box = InParent(form.ControlWindow(c));
            return std::array<int, 4>{box.left, box.top, box.right - box.left, box.bottom - box.top};
        },
        .focused = [&form, layout] {
            const HWND focus = GetFocus();
            for (const ControlLayout& c : layout.controls)
                if (const HWND w = form.ControlWindow(c.name); w && (w == focus || IsChild(w, focus)))
                    return fakes::NameText(c.name);
            return std::wstring(L"(none)");
        },
        .press_tab = [] { PressKey(VK_TAB); },
        .native_text = [&form](ControlName c) { return TextOf(form.ControlWindow(c)); },
    };
}

}  // namespace ks::test
