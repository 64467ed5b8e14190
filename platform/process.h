// The running program: its command line, current folder, diagnostics and its end.
#pragma once

#include <string>

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

    // One line on standard error for whoever started the program from a terminal.
    virtual void ErrorLine(const std::wstring& text) = 0;

    // Ends the program at once with this exit status: no window is closed politely
    // and no Unload runs. A fake may return; callers return right after it.
    virtual void End(int status) = 0;
};

}  // namespace ks
