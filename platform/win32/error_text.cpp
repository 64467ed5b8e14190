// The system's own words for a Win32 error code.
#include "platform/win32/error_text.h"

#include <string_view>

#include "platform/text.h"

namespace ks::win32 {

std::wstring ErrorText(DWORD code) {
    if (code == ERROR_SUCCESS)
        return {};
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string_view text(buffer ? buffer : "", n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    std::wstring out = text.empty() ? L"Error " + std::to_wstring(code) : FromNative(text);
    if (buffer)
        LocalFree(buffer);
    return out;
}

}  // namespace ks::win32
