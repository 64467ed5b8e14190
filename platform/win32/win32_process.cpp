// The running Windows program: its command line, current folder, standard error, progress meter and end.
#include "platform/win32/win32_process.h"

#include <windows.h>

#include "platform/text.h"

namespace ks::win32 {

namespace {

HANDLE StandardError() {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    return err == INVALID_HANDLE_VALUE ? nullptr : err;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && GetConsoleMode(handle, &mode);
}

// The ending is converted on its own, so that a text the code page cannot take still
// ends its line.
void WriteError(const std::wstring& text, std::wstring_view ending) {
    const HANDLE err = StandardError();
    if (!err)
        return;
    DWORD written = 0;
    if (IsConsole(err)) {
        const std::wstring all = text + std::wstring(ending);
        WriteConsoleW(err, all.data(), static_cast<DWORD>(all.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToNative(text) + ToNative(ending);
    WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

std::wstring Win32Process::CommandLine() {
    const wchar_t* line = GetCommandLineW();
    return std::wstring(ArgumentsOf(line ? line : L""));
}

std::wstring Win32Process::CurrentFolder() {
    std::string folder(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data());
        if (n == 0)
            return {};
        if (n < folder.size()) {
            folder.resize(n);
            break;
        }
        folder.resize(n);  // n counts the terminator when the buffer was too small
    }
    return FromNative(folder);
}

void Win32Process::ErrorLine(const std::wstring& text) { WriteError(text, L"\r\n"); }

bool Win32Process::ErrorIsTerminal() { return IsConsole(StandardError()); }

// Unbuffered: each call reaches the console or the file at once, as the meter needs.
void Win32Process::ErrorText(const std::wstring& text) { WriteError(text, L""); }

void Win32Process::End(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace ks::win32
