// The end of the Windows session (log off, shut down, restart) as seen by the program: a call before it goes.
#include "platform/win32/session_end.h"

namespace ks::win32 {

namespace {

constexpr wchar_t kSessionClassName[] = L"KestrelspoolerSession";

ATOM SessionClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = kSessionClassName;
    ATOM atom = RegisterClassExW(&wc);
    if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof existing;
        atom = static_cast<ATOM>(GetClassInfoExW(instance, kSessionClassName, &existing));
    }
    return atom;
}

}  // namespace

SessionEndWatch::SessionEndWatch(HINSTANCE instance, std::function<void()> on_end) : on_end_(std::move(on_end)) {
    // Top-level, never shown: a message-only window would not be asked. By atom, as the
    // forms are (win32_form.cpp says why).
    if (const ATOM atom = SessionClass(instance, WindowProc))
        window_ = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), L"", WS_POPUP, 0, 0,
                                  0, 0, nullptr, nullptr, instance, this);
}

SessionEndWatch::~SessionEndWatch() {
    if (window_)
        DestroyWindow(window_);
}

LRESULT CALLBACK SessionEndWatch::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    auto* watch = reinterpret_cast<SessionEndWatch*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_QUERYENDSESSION:
        // The session may end: the job is cancelled only once it does, for another
        // program may still refuse.
        return TRUE;
    case WM_ENDSESSION:
        if (wparam && watch && watch->on_end_)
            watch->on_end_();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (watch)
            watch->window_ = nullptr;
        break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace ks::win32
