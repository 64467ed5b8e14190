// What a command line asks for: the options, the files, and the old single path with spaces.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

// The file argument that stands for standard input.
inline constexpr std::wstring_view kStandardInput = L"-";

// How long --wait follows a job unless --timeout says otherwise.
inline constexpr std::chrono::seconds kDefaultWaitTimeout{600};

struct CommandLineRequest {
    enum class Action {
        Print,         // print `files`
        ListPrinters,  // the installed printers on standard output
        Help,          // the usage on standard output
        Version,       // the version on standard output
        Usage,         // the command line cannot be understood: `error`, then the usage
    };
    Action action = Action::Print;
    std::optional<std::wstring> printer;  // --printer: in place of the remembered printer
    bool quiet = false;
    bool wait = false;
    std::chrono::seconds timeout = kDefaultWaitTimeout;
    std::vector<std::wstring> files;  // in the order given, kStandardInput among them
    std::wstring error;               // Action::Usage: what is wrong, in words
};

// Reads the arguments as the platform split them: options first, each also in its long
// form ("--printer NAME", "--printer=NAME", "-p NAME", "-pNAME", "-qw"), then the files.
// The first argument that is not an option ends the options, and so do "--" (which is
// dropped) and "-" (standard input, a file). A file name is kept exactly as given.
// `slash_help`: "/?" asks for the help too, as Windows programs do.
CommandLineRequest ParseArguments(const std::vector<std::wstring>& arguments, bool slash_help);

// The command-line text with every double quote removed, wherever it stands: a quoted
// path with spaces becomes that path, and several words stay one path joined by their
// spaces. Nothing else is changed.
std::wstring PathFromCommandLine(std::wstring text);

// The files a print run sends. When every file argument names a file (`names_file`;
// standard input always counts), the arguments as given. Otherwise the whole
// command-line text with its double quotes removed, when that names a file: one path
// with spaces, unquoted or quoted, as older versions took it. Otherwise the arguments
// as given again, for the run to say which name no file. Arguments are tried first so
// that "a.prn b.prn" means two files even when a file "a.prn b.prn" exists.
std::vector<std::wstring> FilesToPrint(const std::vector<std::wstring>& files, const std::wstring& command_line_text,
                                       const std::function<bool(const std::wstring&)>& names_file);

}  // namespace ks
