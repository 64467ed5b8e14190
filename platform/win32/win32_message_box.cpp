// Message boxes through MessageBoxA.
#include "platform/win32/win32_message_box.h"

#include <windows.h>

#include "platform/text.h"
#include "platform/win32/desktop.h"
#include "platform/win32/win32_process.h"

namespace ks::win32 {

void Win32MessageBox::Show(const std::wstring& text, const std::wstring& caption,
                           const std::vector<std::wstring>& details) {
    if (DesktopIsVisible() &&
        MessageBoxA(nullptr, ToNative(MessageBoxBody(text, details)).c_str(), ToNative(caption).c_str(),
                    MB_OK) != 0)
        return;
    // No box could be shown (no desktop, or no display under a compatibility layer).
    Win32Process().ErrorLine(caption + L": " + text);
}

}  // namespace ks::win32
