// The Windows program: the portable core wired to the Win32 services.
#include "file_chooser/open_file.h"
#include "main_window/kestrelspooler.h"
#include "platform/memory/memory_form.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_open_file_dialog.h"
#include "platform/win32/win32_printers.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_settings.h"
#include "platform/win32/win32_spooler.h"

// Last: windows.h renames some of the names the headers above declare (OpenPrinter).
#include <windows.h>

namespace {

// Until the main window's controls are drawn natively, an interactive start shows an
// empty window with the program's title; closing it remembers the printer name as
// closing the full window does.
constexpr char kWindowClass[] = "KestrelspoolerMain";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_CLOSE:
        if (auto* app = reinterpret_cast<ks::Kestrelspooler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
            app->Unload();
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

int RunWindow(HINSTANCE instance, int show, ks::Kestrelspooler& app) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_ACTIVEBORDER + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassExA(&wc))
        return 1;
    HWND hwnd = CreateWindowExA(0, kWindowClass, "Kestrelspooler", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance,
                                &app);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    ks::win32::Win32Printers printers;
    ks::win32::Win32Spooler spooler;
    ks::win32::Win32Files files;
    ks::win32::RegistrySettings settings;
    ks::win32::Win32Process process;
    ks::win32::Win32MessageBox messages;
    ks::MemoryWindowSystem windows;
    ks::Kestrelspooler app(
        ks::Services{printers, spooler, files, settings, process, messages, windows});
    ks::win32::Win32OpenFileDialog dialogs;
    app.on_file_select = [&app, &dialogs, &process] { ks::FileSelectClick(app, dialogs, process); };
    // In command-line mode Load prints and ends the process itself, with status 0 or 1.
    if (!app.Load())
        return 1;
    return RunWindow(instance, show, app);
}
