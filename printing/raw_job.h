// One raw spooler job that carries a whole buffer in chunks, cancelled rather than left half-sent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/files.h"
#include "platform/spooler.h"
#include "printing/byte_source.h"

namespace ks {

// The job is handed to the spooler this many bytes at a time, so that it can report
// how far it got and stop between chunks; the spooler takes each chunk with as many
// writes as it needs.
inline constexpr std::uint64_t kChunkBytes = std::uint64_t{4} << 20;

enum class JobOutcome {
    Delivered,        // the spooler took every byte and released the document
    OpenRefused,      // the spooler would not open the printer; nothing was started
    Cancelled,        // a step after the open failed; the job was cancelled
    CancelledByUser,  // the user stopped it; the job was cancelled, nothing released
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Delivered;
    std::uint64_t sent = 0;   // bytes the spooler took
    bool broke_off = false;   // the failure came while the bytes were handed over or released
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

    // The job's thread.
    void Report(std::uint64_t sent);

private:
    std::function<void(std::uint64_t)> on_sent_;
    std::atomic<bool> cancel_{false};
    std::atomic<std::uint64_t> sent_{0};
};

// Opens `device_name`, starts the document "Command Print" with no output file and no
// data type, one page, writes what `source` gives chunk by chunk (each chunk again while
// a write takes part of it), ends page and document and closes the printer. An empty
// source still makes its one empty write. A source that fails to give its bytes after the
// document started fails the job like a failed write: it is aborted and Cancelled,
// never ended with part of the file.
//
// A cancel request is looked at before the open, after it, before each chunk and
// before the document is released: the started document is then aborted, never
// ended, and the result is CancelledByUser. A request that comes after the release
// changes nothing: the job was delivered.
JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, ByteSource& source,
                     JobControl& control, std::uint64_t chunk_bytes = kChunkBytes);
// The same for a whole buffer, given in place.
JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes,
                     JobControl& control, std::uint64_t chunk_bytes = kChunkBytes);

}  // namespace ks
