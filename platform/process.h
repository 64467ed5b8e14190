// The running program: its command line, current folder, diagnostics, progress meter and its end.
#pragma once

#include <string>
#include <string_view>

namespace ks {

class Process {
public:
    virtual ~Process() = default;

    // Everything after the program's own name, as one text. Quotes are kept where
    // the platform hands the command line over as one text (Windows); where it
    // hands over separate arguments, they are joined by single spaces.
    virtual std::wstring CommandLine() = 0;

    // The process's current folder, without a final separator except at a root.
    virtual std::wstring CurrentFolder() = 0;

    // The characters that end a folder's name in a path: "/" on POSIX; the backslash
    // and "/" on Windows.
    virtual std::wstring_view PathSeparators() const = 0;

    // One line on standard error for whoever started the program from a terminal.
    virtual void ErrorLine(const std::wstring& text) = 0;

    // Whether standard error is a terminal a person watches: false for a file, a pipe,
    // or no standard error at all.
    virtual bool ErrorIsTerminal() = 0;
    // The text on standard error as it stands, no line break added, written out at
    // once: the progress meter redraws its line with a carriage return.
    virtual void ErrorText(const std::wstring& text) = 0;

    // Ends the program at once with this exit status: no window is closed politely
    // and no Unload runs. A fake may return; callers return right after it.
    virtual void End(int status) = 0;
};

}  // namespace ks
