// Raw print jobs through the CUPS scheduler's destination API.
#pragma once

#include <memory>
#include <string>

#include "platform/cups/cups_scheduler.h"
#include "platform/password_prompt.h"
#include "platform/spooler.h"

namespace ks {

// Talks to the scheduler that CUPS_SERVER (or the client configuration) names; each open
// printer holds a connection of its own for the life of its job. No wait on the scheduler
// outlasts its deadline (platform/deadlines.h): a lookup or an open gives up after
// `lookup`, a send after `stalled_send` without progress.
//
// A document always travels in the raw format "application/vnd.cups-raw", whatever
// data type the DocInfo names, so that a queue with a driver passes the bytes on
// unchanged and nothing is ever auto-typed. CUPS has no output file per job: an
// output file in the DocInfo is not honoured. Pages have no CUPS counterpart:
// StartPage and EndPage succeed. A document of zero bytes, which CUPS refuses, is
// cancelled at EndDoc, so no job is left waiting, and EndDoc fails: nothing was printed.
//
// Watch asks the scheduler for the job's state and its queue's (Get-Job-Attributes,
// Get-Printer-Attributes) over the printer's own connection, soon and then every 100 ms, until they
// tell: completed; aborted or cancelled; held; the queue stopped or paused; the printer
// reporting offline or an error; queued behind other jobs; or processing for 2 s with
// no trouble reported. A printer that is not reached (connecting-to-device, or a state
// message that speaks of trouble) is waited for until the watch ends, and then the job
// is waiting. CancelJob removes the watched job as Abort removes one being sent.
//
// A job that fails after it was created is cancelled; when the scheduler cannot be
// reached for that, the cancel is tried again for `cancel_retries`, and after that
// LastError names the job that is left and how to remove it.
class CupsSpooler : public Spooler {
public:
    CupsSpooler();  // the shared scheduler
    explicit CupsSpooler(std::shared_ptr<CupsScheduler> scheduler);

    // Refuses names CUPS does not know and queues that do not accept jobs.
    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;

    // What failed last in this spooler or its printers, in the program's words, then the
    // scheduler's.
    std::wstring LastError() override;

    // Who is asked when the scheduler wants a password for a job, on the job's thread;
    // nullptr (the start): nobody, and the job fails at once. Asked at most `lookup` long.
    void SetPasswordPrompt(PasswordPrompt* prompt) { password_prompt_ = prompt; }

private:
    std::shared_ptr<CupsScheduler> scheduler_;
    std::shared_ptr<SpoolerErrors> errors_;
    PasswordPrompt* password_prompt_ = nullptr;
};

}  // namespace ks
