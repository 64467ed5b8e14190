// The running program on POSIX systems: its arguments, standard streams, current folder, signals and end.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/process.h"

namespace ks {

class PosixProcess : public Process {
public:
    // `argv` as main() received it; the arguments are copied at once.
    PosixProcess(int argc, const char* const* argv);

    // The arguments after the program's name, joined by single spaces. Each is
    // taken as the locale's bytes, so a file name that is not UTF-8 survives the
    // trip back to the system.
    static std::wstring JoinArguments(std::span<const char* const> arguments);

    std::wstring CommandLine() override { return command_line_; }
    // Each argument as the locale's bytes, as JoinArguments takes them.
    std::vector<std::wstring> Arguments() override { return arguments_; }

    // Waits for input without blocking signals: a request to stop (once caught) ends
    // the read at once, even from a terminal nobody types into.

    // "" when the current folder no longer exists or cannot be named.
    std::wstring CurrentFolder() override;

    std::wstring_view PathSeparators() const override { return L"/"; }

    // The text and a line break on standard error, in one write.
    void ErrorLine(const std::wstring& text) override;
    void OutputLine(const std::wstring& text) override;

    // isatty on standard error.
    bool ErrorIsTerminal() override;
    // The text on standard error, in one write.
    void ErrorText(const std::wstring& text) override;

    // SIGINT, SIGTERM and SIGHUP set a flag and nothing else, which is all a handler
    // may safely do; the second one calls _exit(128 + signal). Handlers are installed
    // with SA_RESTART, so that a system call of libcups' on another thread goes on.
    void CatchInterruptions() override;
    int Interruption() override;

    // Flushes standard output and error, then ends the process without running
    // destructors or exit handlers: no window closes politely, so no Unload runs.
    [[noreturn]] void End(int status) override;

private:
    std::wstring command_line_;
    std::vector<std::wstring> arguments_;
};

}  // namespace ks
