// The end of the Windows session (log off, shut down, restart) as seen by the program: a call before it goes.
#pragma once

#include <windows.h>

#include <functional>

namespace ks::win32 {

// A hidden top-level window, which Windows asks (WM_QUERYENDSESSION) and then tells
// (WM_ENDSESSION) when the session ends; the program's own windows may all be hidden
// or in memory then (a command-line run). When the session does end, `on_end` runs on
// the thread that made the watch, from its message loop, and the process may be ended
// as soon as it returns: it cancels a running job and waits until the spooler has it.
// A session end that another program refused calls nothing.
class SessionEndWatch {
public:
    SessionEndWatch(HINSTANCE instance, std::function<void()> on_end);
    ~SessionEndWatch();
    SessionEndWatch(const SessionEndWatch&) = delete;
    SessionEndWatch& operator=(const SessionEndWatch&) = delete;

    HWND Window() const { return window_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    std::function<void()> on_end_;
    HWND window_ = nullptr;
};

}  // namespace ks::win32
