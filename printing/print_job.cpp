// A raw job sent on a worker thread of its own while the UI thread keeps the windows alive.
#include "printing/print_job.h"

#include <exception>
#include <string_view>
#include <system_error>

namespace ks {

namespace {

// An exception's own text is plain ASCII.
std::wstring Widened(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

PrintJob::PrintJob(Spooler& spooler, std::wstring device_name, const ByteBuffer& bytes,
                   std::function<void()> finished, JobWatch watch, std::uint64_t chunk_bytes)
    : spooler_(spooler), device_name_(std::move(device_name)),
      buffer_source_(std::make_unique<BufferSource>(bytes)), source_(*buffer_source_),
      total_(bytes.size()), chunk_bytes_(chunk_bytes), watch_(watch), on_finished_(std::move(finished)) {
    Start();
}

PrintJob::PrintJob(Spooler& spooler, std::wstring device_name, ByteSource& source,
                   std::function<void()> finished, JobWatch watch, std::uint64_t chunk_bytes)
    : spooler_(spooler), device_name_(std::move(device_name)), source_(source),
      total_(source.Expected()), chunk_bytes_(chunk_bytes), watch_(watch), on_finished_(std::move(finished)) {
    Start();
}

void PrintJob::Start() {
    try {
        worker_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // Without a thread of its own the job is sent as before: the window waits.
        Run();
    }
}

PrintJob::~PrintJob() {
    if (worker_.joinable()) {
        control_.Cancel();
        worker_.join();
    }
}

void PrintJob::Run() {
    try {
        result_ = SendRawJob(spooler_, device_name_, source_, control_, watch_, chunk_bytes_);
        // The file failed, not the spooler; what the spooler says of the abort follows.
        if (std::wstring failure = source_.Failure(); !failure.empty())
            result_.lines.insert(result_.lines.begin(), failure);
    } catch (const std::exception& failure) {
        // An escaping exception would end the program with the job in an unknown state;
        // the printer's destructor has aborted a started document on the way out.
        result_ = JobResult{JobOutcome::Cancelled, control_.Sent(), true,
                            {L"the job stopped: " + Widened(failure.what())}};
    }
    finished_.store(true);
    if (on_finished_)
        on_finished_();
}

const JobResult& PrintJob::Wait() {
    if (worker_.joinable())
        worker_.join();
    return result_;
}

}  // namespace ks
