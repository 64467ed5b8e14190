// The running Windows program: its command line, current folder, standard error and end.
#include "platform/win32/win32_process.h"

#include <windows.h>

#include "platform/text.h"

namespace ks::win32 {

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

void Win32Process::ErrorLine(const std::wstring& text) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) {
        const std::wstring line = text + L"\r\n";
        WriteConsoleW(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string line = ToNative(text) + "\r\n";
    WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void Win32Process::End(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace ks::win32
