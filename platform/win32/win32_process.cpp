// The running Windows program: its command line, current folder, standard error and end.
#include "platform/win32/win32_process.h"

#include <windows.h>

#include "platform/text.h"

namespace ks::win32 {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::wstring_view ArgumentsOf(std::wstring_view command_line) {
    size_t i = 0;
    if (!command_line.empty() && command_line[0] == L'"') {
        // The program's name is quoted: it runs to the next quote, with no escapes.
        const size_t close = command_line.find(L'"', 1);
        i = close == std::wstring_view::npos ? command_line.size() : close + 1;
    } else {
        while (i < command_line.size() && !IsBlank(command_line[i]))
            ++i;
    }
    while (i < command_line.size() && IsBlank(command_line[i]))
        ++i;
    return command_line.substr(i);
}

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
