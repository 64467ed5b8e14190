// The running program: its command line, current folder, diagnostics, progress meter and its end.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_buffer.h"

namespace ks {

class Process {
public:
    virtual ~Process() = default;

    // Everything after the program's own name, as one text. Quotes are kept where
    // the platform hands the command line over as one text (Windows); where it
    // hands over separate arguments, they are joined by single spaces.
    virtual std::wstring CommandLine() = 0;

    // The arguments after the program's own name, split as the platform splits them:
    // argv on POSIX, where a double quote is part of an argument; CommandLineToArgvW's
    // rules on Windows, where quotes group and are removed.
    virtual std::vector<std::wstring> Arguments() = 0;

    // The process's current folder, without a final separator except at a root.
    virtual std::wstring CurrentFolder() = 0;

    // The characters that end a folder's name in a path: "/" on POSIX; the backslash
    // and "/" on Windows.
    virtual std::wstring_view PathSeparators() const = 0;

    // One line on standard error for whoever started the program from a terminal. The
    // text may come from outside (a file name, a scheduler's words): its control
    // characters are written escaped (EscapeControls), so it stays one line and starts
    // no escape sequence.
    virtual void ErrorLine(const std::wstring& text) = 0;

    // One line on standard output (the printer list, the help), escaped as ErrorLine is.
    virtual void OutputLine(const std::wstring& text) = 0;

    // Whether standard error is a terminal a person watches: false for a file, a pipe,
    // or no standard error at all.
    virtual bool ErrorIsTerminal() = 0;
    // The text on standard error, no line break added, written out at once. Carriage
    // returns are written as they stand (the progress meter redraws its line with them);
    // every other control character is escaped as ErrorLine escapes it.
    virtual void ErrorText(const std::wstring& text) = 0;

    // From now on, a request from outside to stop (SIGINT, SIGTERM or SIGHUP on POSIX;
    // Ctrl+C, Ctrl+Break or the console closing on Windows) no longer ends the program
    // but is remembered, for Interruption to report: a running job is then cancelled as
    // Cancel would. A second request while the first is being handled ends the program
    // at once with 128 + its signal number. A signal the program was started with
    // ignored (nohup, a background job of a shell) stays ignored.
    virtual void CatchInterruptions() {}
    // The signal number of the first request to stop since CatchInterruptions (Ctrl+C
    // counts as SIGINT, 2); 0 when none came. Any thread may ask.
    virtual int Interruption() { return 0; }

    // Ends the program at once with this exit status: no window is closed politely
    // and no Unload runs. A fake may return; callers return right after it.
    virtual void End(int status) = 0;
};

}  // namespace ks
