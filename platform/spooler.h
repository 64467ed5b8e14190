// The print spooler: one raw job on one printer, in the order open, document, page, writes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/spooler_errors.h"

namespace ks {

// What a document is started with. A missing output file or data type reaches the
// platform as "none", never as an empty text.
struct DocInfo {
    std::wstring document_name;
    std::optional<std::wstring> output_file;
    std::optional<std::wstring> data_type;
};

// What became of a job after the spooler took all of it, as far as the spooler can tell.
struct JobFate {
    enum class State {
        Printed,   // the printer has taken all of it (CUPS: completed; Windows: printed or gone)
        OnItsWay,  // queued or being sent, and nothing reports trouble
        Waiting,   // held, or the queue is paused or stopped, or the printer is offline or in
                   // error: the job stays in the queue and prints once the cause is removed
        Failed,    // the spooler aborted, stopped or cancelled it
        Stopped,   // the watch was asked to stop (the user's cancel); the caller cancels the job
    };
    State state = State::OnItsWay;
    // Detail lines: where the job stands ("job 42 is queued for k-raw behind 2 other
    // jobs"), and for a waiting job the cause, the remedy and how to remove it.
    std::vector<std::wstring> lines;
};

// How long Watch looks at a job.
enum class WatchUntil {
    Known,      // until the state tells the outcome: a healthy queue answers at once
    Completed,  // until the job is Printed or Failed; at the deadline a job not yet
                // printed counts as Waiting
};

// An open printer. Destroying it closes the handle when Close was not called, and
// a document that was started but neither ended nor aborted is aborted first, so
// nothing half-written is ever released to the printer.
class SpoolerPrinter {
public:
    virtual ~SpoolerPrinter() = default;

    virtual bool StartDoc(const DocInfo& doc) = 0;
    virtual bool StartPage() = 0;

    // Hands bytes to the spooler and returns how many it took: all of them, fewer
    // (the caller writes the rest), or 0 when the write failed. An implementation
    // may take at most what one platform call can carry.
    virtual std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) = 0;

    virtual bool EndPage() = 0;

    // Releases the document to the printer. Where the platform refuses a document of
    // zero bytes (CUPS), EndDoc fails, the job is cancelled and LastError says that
    // nothing was printed; where it takes one (Windows), the empty job is delivered.
    virtual bool EndDoc() = 0;

    // Cancels the started document: nothing of it reaches the printer.
    virtual void Abort() = 0;

    virtual bool Close() = 0;

    // From now on, once `*stop` reads true (set by any thread), a printer whose calls
    // can wait a long time on the platform (a network scheduler that stalls) may stop
    // waiting: the call then fails as a failed write or end of document does, and
    // Abort cancels the document. Such a stop is no failure of the spooler's: it
    // leaves no account in LastError beyond what cleaning up left behind. `stop`
    // outlives the printer. A printer whose calls end by themselves soon ignores it.
    virtual void StopWaitingWhen(const std::atomic<bool>* stop) { (void)stop; }

    // After EndDoc succeeded: looks at the job and its printer, for at most `longest`,
    // and returns as soon as `*stop` (when given) reads true, with State::Stopped. A
    // printer that cannot tell more says OnItsWay.
    virtual JobFate Watch(WatchUntil until, std::chrono::milliseconds longest,
                          const std::atomic<bool>* stop) {
        (void)until, (void)longest, (void)stop;
        return {};
    }

    // After Watch said Waiting or Stopped: removes the job from the queue, so that
    // nothing of it prints. False when it could not, with the reason in LastError.
    virtual bool CancelJob() { return false; }

    // After a failure (a step failed, or Abort or Close ran): whether a job was ever
    // created, and whether it could be cancelled. Unknown where the printer cannot
    // tell; the caller then goes by the step that failed (a refused StartDoc created
    // no job, a later failure was cancelled by Abort).
    enum class Trace { Unknown, NeverCreated, Cancelled, LeftInQueue };
    virtual Trace JobTrace() const { return Trace::Unknown; }
};

// Threads: a spooler and the printers it opens are used by one thread at a time. The
// program's print job runs on a worker thread of its own that opens the printer, sends
// the document, closes the printer and reads LastError (printing/print_job.h); the UI
// thread does not touch the spooler, nor the installed printers, while that job runs,
// and joins the worker before it does again. Whatever a platform keeps per thread
// (its last error, a default connection) is the worker's for the whole job.
class Spooler {
public:
    virtual ~Spooler() = default;

    // Opens the printer with this device name. nullptr when the spooler does not
    // know the name or the printer does not accept jobs.
    virtual std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) = 0;

    // The last failure of this spooler or of a printer it opened, for diagnostic lines:
    // one or more lines separated by '\n' (see SpoolerErrors); "" if none.
    virtual std::wstring LastError() = 0;
};

}  // namespace ks
