// Message boxes through MessageBoxA.
#include "platform/win32/win32_message_box.h"

#include <windows.h>

#include "platform/text.h"
#include "platform/win32/win32_process.h"

namespace ks::win32 {

namespace {

// A process on a window station without a visible desktop (a service, a scheduled
// task run whether or not anyone is logged on) would wait for ever on a box nobody sees.
bool DesktopIsVisible() {
    const HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (station == nullptr ||
        !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;  // cannot tell: show the box as usual
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

void Win32MessageBox::Show(const std::wstring& text, const std::wstring& caption) {
    if (DesktopIsVisible() &&
        MessageBoxA(nullptr, ToNative(text).c_str(), ToNative(caption).c_str(), MB_OK) != 0)
        return;
    // No box could be shown (no desktop, or no display under a compatibility layer).
    Win32Process().ErrorLine(caption + L": " + text);
}

}  // namespace ks::win32
