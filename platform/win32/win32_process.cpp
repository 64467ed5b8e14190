// The running Windows program: its command line, current folder, standard error, progress meter and end.
#include "platform/win32/win32_process.h"

#include <windows.h>

#include "platform/text.h"

namespace ks::win32 {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

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

void Win32Process::ErrorLine(const std::wstring& text) { WriteError(text, L"\r\n"); }

bool Win32Process::ErrorIsTerminal() { return IsConsole(StandardError()); }

// Unbuffered: each call reaches the console or the file at once, as the meter needs.
void Win32Process::ErrorText(const std::wstring& text) { WriteError(text, L""); }

void Win32Process::End(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace ks::win32
