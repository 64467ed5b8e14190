// Text from outside the program made safe to write to a terminal or a log: control characters escaped.
#pragma once

#include <string>
#include <string_view>

namespace ks {

// `text` with every character a terminal would act on written out as visible text, so
// that a file name, a printer name or a scheduler's message can neither split a line
// nor start an escape sequence:
// - C0 controls, DEL and C1 controls become "\xHH" (ESC is "\x1b", a line feed "\x0a");
// - the line and paragraph separators U+2028 and U+2029 become "\u2028" and "\u2029";
// - a code unit that is no character (a lone surrogate) becomes "\uDXXX", except
//   U+DC80..U+DCFF, which stand for a byte that was not UTF-8 in a POSIX name and
//   become "\xHH" with that byte.
// Characters in `keep` are left as they stand: the meter's own carriage return.
// Backslashes stay as they are, so a Windows path reads as itself.
std::wstring EscapeControls(std::wstring_view text, std::wstring_view keep = {});

}  // namespace ks
