// Fuzz target: from a command line to the path a command-line run loads, as Windows and POSIX hand it over.
//
// The first byte picks the platform. Windows: the rest is the UTF-16 command line that
// GetCommandLineW gives. POSIX: the rest is argv after the program's name, the
// arguments separated by NUL bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "main_window/command_line.h"
#include "platform/posix/posix_process.h"
#include "platform/text.h"
#include "platform/win32/command_line_parse.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

// The path keeps every character of the text but the quotes, in their order.
void CheckPath(const std::wstring& text) {
    const std::wstring path = ks::PathFromCommandLine(text);
    Check(path.find(L'"') == std::wstring::npos);
    Check(path.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), L'"')) == text.size());
}

void Windows(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        line.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
    const std::wstring_view arguments = ks::win32::ArgumentsOf(line);
    // What is left is the end of the line, and never starts with the blanks after the name.
    Check(arguments.size() <= line.size());
    Check(std::wstring_view(line).substr(line.size() - arguments.size()) == arguments);
    Check(arguments.empty() || (arguments.front() != L' ' && arguments.front() != L'\t'));
    CheckPath(std::wstring(arguments));
}

void Posix(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words;
    words.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back().push_back(static_cast<char>(data[i]));
    }
    std::vector<const char*> argv;
    std::string joined;
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
        joined += (argv.size() == 1 ? "" : " ") + word;
    }
    const std::wstring text = ks::PosixProcess::JoinArguments(argv);
    // The bytes of the words come back unchanged, whatever their encoding.
    Check(ks::ToNative(text) == joined);
    CheckPath(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1)
        Posix(data + 1, size - 1);
    else
        Windows(data + 1, size - 1);
    return 0;
}
