// Text conversion between the program's wide text and the ANSI code page of the Win32 ANSI calls.
#include "platform/text.h"

#include <windows.h>

#include <climits>

#include "platform/win32/code_page.h"

namespace ks {

namespace win32 {

namespace {

UINT Resolved(unsigned code_page) { return code_page == CP_ACP ? GetACP() : code_page; }

}  // namespace

unsigned AnsiCodePage() { return GetACP(); }

std::optional<NarrowText> ToCodePage(std::wstring_view text, unsigned code_page) {
    if (text.empty())
        return NarrowText{};
    if (text.size() > INT_MAX)
        return std::nullopt;
    const UINT cp = Resolved(code_page);
    const int wide = static_cast<int>(text.size());
    // UTF-8 spells every character, has nothing to fit and takes no best-fit flag
    // (Windows fails the call for it); it is told to refuse invalid UTF-16 instead of
    // writing U+FFFD, which would name another file or printer. In every other code
    // page best fit would turn a missing character into a look-alike ("ﬁ" into "fi");
    // without it the character becomes '?' and the caller learns of it.
    const bool unicode = cp == CP_UTF8;
    const DWORD flags = unicode ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* used_default = unicode ? nullptr : &defaulted;  // must be null for UTF-8
    const int n = WideCharToMultiByte(cp, flags, text.data(), wide, nullptr, 0, nullptr, used_default);
    if (n <= 0)
        return std::nullopt;
    NarrowText out{std::string(static_cast<size_t>(n), '\0'), true};
    if (WideCharToMultiByte(cp, flags, text.data(), wide, out.bytes.data(), n, nullptr, used_default) != n)
        return std::nullopt;
    out.exact = !defaulted;
    return out;
}

std::optional<std::wstring> FromCodePage(std::string_view bytes, unsigned code_page) {
    if (bytes.empty())
        return std::wstring();
    if (bytes.size() > INT_MAX)
        return std::nullopt;
    const UINT cp = Resolved(code_page);
    const int narrow = static_cast<int>(bytes.size());
    // Bytes that are not UTF-8 would otherwise come back as U+FFFD, another name.
    const DWORD flags = cp == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int n = MultiByteToWideChar(cp, flags, bytes.data(), narrow, nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(cp, flags, bytes.data(), narrow, out.data(), n) != n)
        return std::nullopt;
    return out;
}

}  // namespace win32

// What cannot be converted comes back empty, which no caller takes for a name.
std::string ToNative(std::wstring_view text) {
    std::optional<win32::NarrowText> narrow = win32::ToCodePage(text, win32::AnsiCodePage());
    return narrow ? std::move(narrow->bytes) : std::string();
}

std::wstring FromNative(std::string_view text) {
    return win32::FromCodePage(text, win32::AnsiCodePage()).value_or(std::wstring());
}

}  // namespace ks
