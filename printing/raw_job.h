// One raw spooler job that carries a whole buffer in chunks, cancelled rather than left half-sent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/spooler.h"
#include "printing/job_watch.h"
#include "printing/byte_source.h"

namespace ks {

// The job is handed to the spooler this many bytes at a time, so that it can report
// how far it got and stop between chunks; the spooler takes each chunk with as many
// writes as it needs.
inline constexpr std::uint64_t kChunkBytes = std::uint64_t{4} << 20;

enum class JobOutcome {
    Delivered,        // the spooler took every byte, and the job is printed or on its way
    Waiting,          // the spooler took every byte; the job waits in the queue for a cause
                      // to be removed (a paused queue, an absent printer, a hold)
    OpenRefused,      // the spooler would not open the printer; nothing was started
    Cancelled,        // a step failed, or the spooler ended the job after it took it; the
                      // job was cancelled and nothing more of it prints
    Failed,           // a step failed and the job was never created, or is left in the queue
    CancelledByUser,  // the user stopped it; the job was cancelled, nothing printed
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Delivered;
    std::uint64_t sent = 0;   // bytes the spooler took
    bool broke_off = false;   // the failure came while the bytes were handed over or released
    // In the spooler's and the program's words, line by line: why it failed, or where a
    // job that was taken stands ("job 42 is queued for k-raw behind 2 other jobs").
    std::vector<std::wstring> lines;
};

// What a job shares with those who watch it from other threads: how far it got, and
// whether it is asked to stop.
class JobControl {
public:
    // `sent` runs on the job's thread after each chunk the spooler took, with the bytes
    // taken so far.
    explicit JobControl(std::function<void(std::uint64_t sent)> sent = {}) : on_sent_(std::move(sent)) {}
    JobControl(const JobControl&) = delete;
    JobControl& operator=(const JobControl&) = delete;

    // Any thread.
    void Cancel() { cancel_.store(true); }
    bool CancelRequested() const { return cancel_.load(); }
    std::uint64_t Sent() const { return sent_.load(); }
    const std::atomic<bool>& CancelFlag() const { return cancel_; }
    // The spooler has the whole job, and the job is being watched.
    bool Watching() const { return watching_.load(); }

    // The job's thread.
    void Report(std::uint64_t sent);
    void StartWatching() { watching_.store(true); }

private:
    std::function<void(std::uint64_t)> on_sent_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> watching_{false};
    std::atomic<std::uint64_t> sent_{0};
};

// Opens `device_name`, starts the document "Command Print" with no output file and no
// data type, one page, writes what `source` gives chunk by chunk (each chunk again while
// a write takes part of it), ends page and document and closes the printer. An empty
// source still makes its one empty write. A source that fails to give its bytes after the
// document started fails the job like a failed write: it is aborted and Cancelled,
// never ended with part of the file.
//
// Once the document is released, the job is watched as `watch` says (SpoolerPrinter::
// Watch): printed or on its way is Delivered, waiting is Waiting (the job stays in the
// queue), ended by the spooler is Cancelled.
//
// A cancel request is looked at before the open, after it, before each chunk, before
// the document is released and while the job is watched: the started document is then
// aborted, never ended, or the released job cancelled, and the result is
// CancelledByUser.
//
// The result's lines are the spooler's account (its LastError, read here on the job's
// thread) and what the watch found.
JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, ByteSource& source,
                     JobControl& control, const JobWatch& watch = {},
                     std::uint64_t chunk_bytes = kChunkBytes);
// The same for a whole buffer, given in place.
JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes,
                     JobControl& control, const JobWatch& watch = {},
                     std::uint64_t chunk_bytes = kChunkBytes);

}  // namespace ks
