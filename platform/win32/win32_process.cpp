// The running Windows program: its command line, current folder, standard error, progress meter and end.
#include "platform/win32/win32_process.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "common/escape.h"
#include "platform/text.h"

namespace ks::win32 {

namespace {

HANDLE Standard(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

HANDLE StandardError() { return Standard(STD_ERROR_HANDLE); }

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && GetConsoleMode(handle, &mode);
}

// The ending is converted on its own, so that a text the code page cannot take still
// ends its line.
void Write(HANDLE handle, const std::wstring& text, std::wstring_view ending) {
    if (!handle)
        return;
    DWORD written = 0;
    if (IsConsole(handle)) {
        const std::wstring all = text + std::wstring(ending);
        WriteConsoleW(handle, all.data(), static_cast<DWORD>(all.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToNative(text) + ToNative(ending);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

std::wstring Win32Process::CommandLine() {
    const wchar_t* line = GetCommandLineW();
    return std::wstring(ArgumentsOf(line ? line : L""));
}

std::vector<std::wstring> Win32Process::Arguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    const LPWSTR line = GetCommandLineW();
    LPWSTR* words = line ? CommandLineToArgvW(line, &count) : nullptr;
    if (!words)
        return arguments;
    for (int i = 1; i < count; ++i)  // [0] is the program
        arguments.emplace_back(words[i]);
    LocalFree(words);
    return arguments;
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

void Win32Process::ErrorLine(const std::wstring& text) { Write(StandardError(), EscapeControls(text), L"\r\n"); }

void Win32Process::OutputLine(const std::wstring& text) {
    Write(Standard(STD_OUTPUT_HANDLE), EscapeControls(text), L"\r\n");
}

bool Win32Process::ErrorIsTerminal() { return IsConsole(StandardError()); }

// Unbuffered: each call reaches the console or the file at once, as the meter needs.
void Win32Process::ErrorText(const std::wstring& text) { Write(StandardError(), EscapeControls(text, L"\r"), L""); }

void Win32Process::End(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace ks::win32
