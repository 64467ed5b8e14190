// The system's own words for a Win32 error code.
#pragma once

#include <windows.h>

#include <string>

namespace ks::win32 {

// FormatMessage's text for `code` without the final line break; "Error N" when the
// system has no text for it; "" for ERROR_SUCCESS.
std::wstring ErrorText(DWORD code);

}  // namespace ks::win32
