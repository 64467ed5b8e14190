// Asking for a printer's user name and password on the controlling terminal.
#pragma once

#include "platform/password_prompt.h"
#include "platform/process.h"

namespace ks {

// Asks on /dev/tty, the password without echo, while the progress meter pauses: the
// question stays on the terminal whatever becomes of it. A request to stop (the job's
// cancel, or a signal the process caught: Process::Interruption) or the deadline ends
// the question within a tenth of a second; the end of input (Ctrl+D) declines it. No
// terminal to open: NobodyToAsk.
class TerminalPassword : public PasswordPrompt {
public:
    explicit TerminalPassword(Process& process) : process_(process) {}

    PromptAnswer Ask(const std::wstring& printer, const std::wstring& user, bool again,
                     const std::atomic<bool>& stop,
                     std::chrono::steady_clock::time_point deadline) override;

private:
    Process& process_;
};

// `text` with every control character written as \xNN, for a terminal: a name from
// outside cannot move the cursor, change the window title or split the line.
std::wstring TerminalSafe(const std::wstring& text);

}  // namespace ks
