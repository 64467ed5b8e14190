// Text conversion between the program's wide text and the ANSI code page of the Win32 ANSI calls.
#include "platform/text.h"

#include <windows.h>

#include <climits>

namespace ks {

namespace {

// Best-fit mapping would turn a character the code page lacks into a look-alike
// ("ﬁ" into "fi"), and a path or printer name converted that way could name a
// different file or printer. Without it such a character becomes '?', which no
// file name and no printer name the program could mean contains. The UTF-8 code
// page has nothing to fit and rejects the flag.
DWORD NarrowFlags() { return GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS; }

}  // namespace

std::string ToNative(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int wide = static_cast<int>(text.size());
    const DWORD flags = NarrowFlags();
    const int n = WideCharToMultiByte(CP_ACP, flags, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), wide, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromNative(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int narrow = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), narrow, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), narrow, out.data(), n);
    return out;
}

}  // namespace ks
