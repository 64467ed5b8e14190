// The arguments part of a Windows command line, without the program's own name; plain C++, no Windows headers.
#include "platform/win32/command_line_parse.h"

namespace ks::win32 {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::wstring_view ArgumentsOf(std::wstring_view command_line) {
    size_t i = 0;
    if (!command_line.empty() && command_line[0] == L'"') {
        // The program's name is quoted: it runs to the next quote, with no escapes.
        const size_t close = command_line.find(L'"', 1);
        i = close == std::wstring_view::npos ? command_line.size() : close + 1;
    } else {
        while (i < command_line.size() && !IsBlank(command_line[i]))
            ++i;
    }
    while (i < command_line.size() && IsBlank(command_line[i]))
        ++i;
    return command_line.substr(i);
}

}  // namespace ks::win32
