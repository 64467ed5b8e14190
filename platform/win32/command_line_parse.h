// The arguments part of a Windows command line, without the program's own name; plain C++, no Windows headers.
#pragma once

#include <string_view>

namespace ks::win32 {

// The text after the program's own name in a Windows command line, as it stands,
// quotes included. The name ends at its closing quote when it starts with one,
// otherwise at the first space or tab; the blanks after it are skipped.
std::wstring_view ArgumentsOf(std::wstring_view command_line);

}  // namespace ks::win32
