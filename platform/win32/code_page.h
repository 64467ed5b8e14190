// Text in a Windows code page: the conversion behind every ANSI call, for any code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ks::win32 {

// What a wide text becomes in a code page.
struct NarrowText {
    std::string bytes;
    // False when some character has no form in the code page and stands there as the
    // code page's default character ('?'): the bytes then name something else.
    bool exact = true;
};

// The code page the ANSI entry points convert through in this process: UTF-8 (65001)
// when the program's manifest asks for it and Windows honours that (Windows 10 1903
// and later), otherwise the system's legacy ANSI code page (1252, 932, ...).
unsigned AnsiCodePage();

// `text` in `code_page` (0 means AnsiCodePage()). A character the code page lacks is
// never replaced by a look-alike ("ﬁ" by "fi"): it becomes the default character and
// `exact` is false. nullopt when the text cannot be converted at all: not valid UTF-16
// (a lone surrogate) for UTF-8, an unknown code page, or a text longer than the
// system's conversion takes.
std::optional<NarrowText> ToCodePage(std::wstring_view text, unsigned code_page);

// The wide text of `bytes` in `code_page` (0 means AnsiCodePage()). nullopt for bytes
// that are not valid UTF-8 when the code page is UTF-8, for an unknown code page, or
// for more bytes than the system's conversion takes. In a legacy code page every byte
// sequence converts, as the system's own ANSI calls convert it.
std::optional<std::wstring> FromCodePage(std::string_view bytes, unsigned code_page);

}  // namespace ks::win32
