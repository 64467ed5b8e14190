// Screenshots for the in-process Windows tests: the test asks the script that runs it, through a folder both can see.
#pragma once

#include <functional>
#include <string>

#include <windows.h>

namespace ks::test {

// Asks the script (lib.sh, in_process_tests) for a picture of the screen, saved as NAME.png
// among the artefacts, and waits for it up to `wait_ms`; `meanwhile` runs between looks (a
// UI thread keeps its windows painting there). The folder is the one KS_SHOTS_FOLDER names.
inline bool RequestScreenshot(const std::wstring& name, DWORD wait_ms, const std::function<void()>& meanwhile = {}) {
    const wchar_t* folder = _wgetenv(L"KS_SHOTS_FOLDER");
    if (!folder || !*folder)
        return false;
    const std::wstring shots(folder);
    const std::wstring done = shots + L"\\" + name + L".done";
    const HANDLE request = CreateFileW((shots + L"\\" + name + L".request").c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, 0, nullptr);
    if (request == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(request);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < wait_ms; Sleep(20)) {
        if (meanwhile)
            meanwhile();
        if (GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

}  // namespace ks::test
