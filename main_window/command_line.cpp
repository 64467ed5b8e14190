// What a command line asks for: the options, the files, and the old single path with spaces.
#include "main_window/command_line.h"

#include <algorithm>
#include <array>

namespace ks {

namespace {

using Request = CommandLineRequest;

enum class Option { Printer, ListPrinters, Quiet, Wait, Timeout, Help, Version };

struct OptionRule {
    Option option;
    wchar_t short_name;
    std::wstring_view long_name;
    bool takes_value;
};

constexpr std::array kOptions{
    OptionRule{Option::Printer, L'p', L"printer", true},
    OptionRule{Option::ListPrinters, L'l', L"list-printers", false},
    OptionRule{Option::Quiet, L'q', L"quiet", false},
    OptionRule{Option::Wait, L'w', L"wait", false},
    OptionRule{Option::Timeout, L't', L"timeout", true},
    OptionRule{Option::Help, L'h', L"help", false},
    OptionRule{Option::Version, L'V', L"version", false},
};

// The longest --timeout taken: about 31 years, far below where milliseconds overflow.
constexpr long long kLongestTimeout = 999'999'999;

std::optional<std::chrono::seconds> Seconds(std::wstring_view text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return std::nullopt;
    long long value = 0;
    for (wchar_t c : text)
        value = value * 10 + (c - L'0');
    return value <= kLongestTimeout ? std::optional(std::chrono::seconds(value)) : std::nullopt;
}

// Whatever the options asked for; `error` set at the first thing that is wrong.
struct Reading {
    Request request;
    bool help = false, version = false, list = false;

    bool Take(const OptionRule& rule, const std::wstring& shown, const std::wstring* value) {
        switch (rule.option) {
        case Option::Printer:
            request.printer = *value;
            break;
        case Option::ListPrinters:
            list = true;
            break;
        case Option::Quiet:
            request.quiet = true;
            break;
        case Option::Wait:
            request.wait = true;
            break;
        case Option::Timeout:
            if (const auto seconds = Seconds(*value)) {
                request.timeout = *seconds;
            } else {
                request.error = L"option " + shown + L" takes a whole number of seconds, not \"" + *value + L"\"";
                return false;
            }
            break;
        case Option::Help:
            help = true;
            break;
        case Option::Version:
            version = true;
            break;
        }
        return true;
    }
};

const OptionRule* FindLong(std::wstring_view name) {
    for (const OptionRule& rule : kOptions)
        if (rule.long_name == name)
            return &rule;
    return nullptr;
}

const OptionRule* FindShort(wchar_t name) {
    for (const OptionRule& rule : kOptions)
        if (rule.short_name == name)
            return &rule;
    return nullptr;
}

Request Failed(std::wstring error) {
    Request request;
    request.action = Request::Action::Usage;
    request.error = std::move(error);
    return request;
}

}  // namespace

CommandLineRequest ParseArguments(const std::vector<std::wstring>& arguments, bool slash_help) {
    Reading r;
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--") {
            ++i;
            break;
        }
        if (slash_help && argument == L"/?") {
            r.help = true;
            continue;
        }
        if (argument.size() < 2 || argument[0] != L'-')
            break;  // a file, standard input among them
        if (argument[1] == L'-') {
            const std::size_t equals = argument.find(L'=');
            const std::wstring name = argument.substr(2, equals == std::wstring::npos ? std::wstring::npos : equals - 2);
            const std::wstring shown = L"--" + name;
            const OptionRule* rule = FindLong(name);
            if (!rule)
                return Failed(L"unknown option " + shown);
            std::wstring value;
            if (equals != std::wstring::npos) {
                if (!rule->takes_value)
                    return Failed(L"option " + shown + L" takes no value");
                value = argument.substr(equals + 1);
            } else if (rule->takes_value) {
                if (++i == arguments.size())
                    return Failed(L"option " + shown + L" needs a value");
                value = arguments[i];
            }
            if (!r.Take(*rule, shown, &value))
                return Failed(r.request.error);
            continue;
        }
        // One or more short options: "-q", "-qw", "-pNAME", "-qp NAME".
        for (std::size_t k = 1; k < argument.size(); ++k) {
            const std::wstring shown = std::wstring(L"-") + argument[k];
            const OptionRule* rule = FindShort(argument[k]);
            if (!rule)
                return Failed(L"unknown option " + shown);
            std::wstring value;
            if (rule->takes_value) {
                if (k + 1 < argument.size()) {
                    value = argument.substr(k + 1);
                } else if (++i == arguments.size()) {
                    return Failed(L"option " + shown + L" needs a value");
                } else {
                    value = arguments[i];
                }
                k = argument.size();
            }
            if (!r.Take(*rule, shown, &value))
                return Failed(r.request.error);
        }
    }
    r.request.files.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());

    Request& request = r.request;
    if (r.help) {
        request.action = Request::Action::Help;
    } else if (r.version) {
        request.action = Request::Action::Version;
    } else if (r.list) {
        if (!request.files.empty())
            return Failed(L"option --list-printers takes no file");
        request.action = Request::Action::ListPrinters;
    } else if (request.files.empty()) {
        return Failed(L"no file named");
    }
    return request;
}

std::wstring PathFromCommandLine(std::wstring text) {
    std::erase(text, L'"');
    return text;
}

std::vector<std::wstring> FilesToPrint(const std::vector<std::wstring>& files, const std::wstring& command_line_text,
                                       const std::function<bool(const std::wstring&)>& names_file) {
    const auto named = [&](const std::wstring& file) { return file == kStandardInput || names_file(file); };
    if (std::all_of(files.begin(), files.end(), named))
        return files;
    const std::wstring joined = PathFromCommandLine(command_line_text);
    if (!joined.empty() && names_file(joined))
        return {joined};
    return files;
}

}  // namespace ks
