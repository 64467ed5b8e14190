// The detail lines on standard error that say why a print did not go through.
#include "printing/failure_details.h"

#include <cwctype>

namespace ks {

namespace {

constexpr const wchar_t* kNothingRemembered =
    L"no printer is remembered yet: start the program without a file, pick a printer in the "
    L"printer box and close the window with its close box";

}  // namespace

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(L'\n', start);
        lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::wstring GroupedCount(std::uint64_t count) {
    std::wstring digits = std::to_wstring(count);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, L',');
    return digits;
}

std::vector<std::wstring> JobFailureLines(const JobResult& result, std::uint64_t total) {
    std::vector<std::wstring> lines = result.lines;
    if (!result.broke_off || total == 0)
        return lines;
    const std::wstring progress =
        L"after " + GroupedCount(result.sent) + L" of " + GroupedCount(total) + L" bytes";
    if (lines.empty())
        lines.push_back(L"the job broke off " + progress);
    else
        lines.front() += L" " + progress;
    return lines;
}

std::vector<std::wstring> Sentences(std::vector<std::wstring> lines) {
    for (std::wstring& line : lines) {
        if (line.empty())
            continue;
        line[0] = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(line[0])));
        const wchar_t last = line.back();
        if (last != L'.' && last != L'!' && last != L'?')
            line += L'.';
    }
    return lines;
}

std::vector<std::wstring> FileNotReadLines(const std::wstring& path, const std::wstring& cause) {
    if (path.empty())
        return {cause.empty() ? L"no file was named" : cause};
    return {L"cannot read \"" + path + L"\"" + (cause.empty() ? L"" : L": " + cause)};
}

std::vector<std::wstring> UnknownPrinterLines(const std::wstring& name, const std::wstring& list_error,
                                              bool nothing_remembered) {
    std::vector<std::wstring> lines = Lines(list_error);
    if (name.empty() && nothing_remembered)
        lines.push_back(kNothingRemembered);
    else if (!lines.empty())
        return lines;  // without the list, whether the name exists is not known
    else if (name.empty())
        lines.push_back(L"no printer name was given");
    else
        lines.push_back(L"no installed printer is named \"" + name + L"\"");
    return lines;
}

}  // namespace ks
