// Asking a person for the user name and password that a printer's spooler wants before it takes a job.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

namespace ks {

struct Credentials {
    std::wstring user;
    std::wstring password;
};

struct PromptAnswer {
    enum class Kind {
        Given,        // `credentials` holds what the person typed
        Declined,     // the person said no: Cancel, Esc, the close box, end of input
        NobodyToAsk,  // no display and no terminal: nobody was asked, at once
        Stopped,      // `*stop` read true while the question stood
        TimedOut,     // nobody answered before the deadline
    };
    Kind kind = Kind::NobodyToAsk;
    Credentials credentials;
};

// Threads: Ask runs on the job's worker thread (printing/print_job.h) and blocks it until
// the question is answered or given up, while the UI thread goes on running its event
// loop; an implementation that shows a window shows it on the UI thread. While the
// question stands, the progress meter and window keep out of its way
// (common/prompt_pause.h).
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;

    // Asks for the user name and password the printer `printer` needs, with `user` as the
    // user name offered. `again` says that the scheduler refused the last answer. Looks at
    // `stop` (the job's cancel, set by any thread) at least every tenth of a second and
    // gives up with Stopped once it reads true, and with TimedOut at `deadline`; either
    // way the question is taken away. A password is never kept beyond the answer.
    virtual PromptAnswer Ask(const std::wstring& printer, const std::wstring& user, bool again,
                             const std::atomic<bool>& stop,
                             std::chrono::steady_clock::time_point deadline) = 0;
};

}  // namespace ks
