// Fuzz target: from a command line to the options and files a run takes, as Windows and POSIX hand it over, and the escaping of what it writes back.
//
// The first byte picks the platform. Windows: the rest is the UTF-16 command line that
// GetCommandLineW gives, split into arguments at blanks. POSIX: the rest is argv after
// the program's name, the arguments separated by NUL bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/escape.h"
#include "main_window/command_line.h"
#include "platform/posix/posix_process.h"
#include "platform/text.h"
#include "platform/win32/command_line_parse.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

// Nothing a terminal acts on is left: no control character, no line separator, no lone surrogate.
void CheckEscaped(const std::wstring& text) {
    const std::wstring escaped = ks::EscapeControls(text);
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const auto c = static_cast<unsigned>(escaped[i]);
        Check(c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != 0x2028 && c != 0x2029);
        if (c >= 0xD800 && c <= 0xDBFF) {  // only as the first half of a UTF-16 pair
            Check(sizeof(wchar_t) == 2 && i + 1 < escaped.size());
            const auto next = static_cast<unsigned>(escaped[++i]);
            Check(next >= 0xDC00 && next <= 0xDFFF);
        } else {
            Check(!(c >= 0xDC00 && c <= 0xDFFF));
        }
    }
    Check(ks::EscapeControls(escaped) == escaped);
}

// Files are the arguments' tail, as given; an error comes exactly with Usage; the old
// single path is the whole text without its quotes.
void CheckParse(const std::vector<std::wstring>& arguments, const std::wstring& text, bool windows) {
    using Action = ks::CommandLineRequest::Action;
    const ks::CommandLineRequest request = ks::ParseArguments(arguments, windows);
    Check(request.error.empty() == (request.action != Action::Usage));
    Check(request.files.size() <= arguments.size());
    Check(std::equal(request.files.begin(), request.files.end(), arguments.end() - static_cast<std::ptrdiff_t>(request.files.size())));
    if (request.action == Action::Print)
        Check(!request.files.empty());
    const auto names_file = [](const std::wstring& path) { return path.size() % 3 == 1; };
    const std::vector<std::wstring> files = ks::FilesToPrint(request.files, text, names_file);
    const std::wstring path = ks::PathFromCommandLine(text);
    Check(path.find(L'"') == std::wstring::npos);
    Check(path.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), L'"')) == text.size());
    Check(files == request.files || files == std::vector<std::wstring>{path});
    for (const std::wstring& argument : arguments)
        CheckEscaped(argument);
    CheckEscaped(text);
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
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : arguments) {
        if (c == L' ' || c == L'\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty())
        words.push_back(word);
    CheckParse(words, std::wstring(arguments), true);
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
    std::vector<const char*> argv{"kestrelspooler"};
    std::string joined;
    for (const std::string& word : words) {
        joined += (argv.size() == 1 ? "" : " ") + word;
        argv.push_back(word.c_str());
    }
    ks::PosixProcess process(static_cast<int>(argv.size()), argv.data());
    const std::wstring text = process.CommandLine();
    // The bytes of the words come back unchanged, whatever their encoding.
    Check(ks::ToNative(text) == joined);
    const std::vector<std::wstring> arguments = process.Arguments();
    Check(arguments.size() == words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        Check(ks::ToNative(arguments[i]) == words[i]);
    CheckParse(arguments, text, false);
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
