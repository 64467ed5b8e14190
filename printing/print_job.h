// A raw job sent on a worker thread of its own while the UI thread keeps the windows alive.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "printing/raw_job.h"

namespace ks {

// Which thread touches what:
// - The worker thread, started by the constructor, owns the job for its whole life: it
//   opens the printer on the spooler, sends the buffer, ends or aborts the document,
//   watches the job, closes the printer and reads the spooler's LastError into the
//   result, all before it finishes, so
//   that whatever the platform keeps per thread (libcups's last error and connection
//   settings) is one thread's throughout. Then it sets Finished and calls `finished`.
// - The UI thread creates the job, reads Sent and Finished, may Cancel, and calls Wait,
//   which joins the worker, before it reads the result. Until then it leaves the
//   spooler, the installed printers and the buffer alone; the buffer is only read.
class PrintJob {
public:
    // Starts sending `bytes` to `device_name`, then watches the job as `watch` says.
    // `finished` runs on the worker as its last step (a WindowSystem's Wake). When no
    // thread can be started, the job runs here, on the calling thread, before the
    // constructor returns.
    PrintJob(Spooler& spooler, std::wstring device_name, const ByteBuffer& bytes,
             std::function<void()> finished, JobWatch watch = {},
             std::uint64_t chunk_bytes = kChunkBytes);
    // The same for bytes read while they are sent (a FileSource): `source` belongs to the
    // worker until Wait returns, and must outlive the job. Total is what it expects to
    // give. When it fails to read, the result's lines begin with its Failure.
    PrintJob(Spooler& spooler, std::wstring device_name, ByteSource& source,
             std::function<void()> finished, JobWatch watch = {},
             std::uint64_t chunk_bytes = kChunkBytes);
    // A job still running is cancelled and waited for: the buffer and the spooler must
    // outlive it.
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    std::uint64_t Total() const { return total_; }
    std::uint64_t Sent() const { return control_.Sent(); }
    bool Finished() const { return finished_.load(); }
    void Cancel() { control_.Cancel(); }
    bool CancelRequested() const { return control_.CancelRequested(); }
    // The spooler has the whole job and the job is being watched.
    bool Watching() const { return control_.Watching(); }

    // Waits until the worker has finished, then gives what it found.
    const JobResult& Wait();

private:
    void Start();
    void Run();

    Spooler& spooler_;
    const std::wstring device_name_;
    std::unique_ptr<BufferSource> buffer_source_;  // for a job made from a buffer
    ByteSource& source_;
    const std::uint64_t total_;
    const std::uint64_t chunk_bytes_;
    const JobWatch watch_;
    std::function<void()> on_finished_;
    JobControl control_;
    JobResult result_;  // written by the worker before finished_, read after the join
    std::atomic<bool> finished_{false};
    std::thread worker_;
};

}  // namespace ks
