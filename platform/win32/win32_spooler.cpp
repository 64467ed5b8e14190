// Raw print jobs through the Windows print spooler's ANSI entry points.
#include "platform/win32/win32_spooler.h"

#include <windows.h>
#include <winspool.h>
// The headers map these to their A or W forms, which would rename the overrides below.
#undef OpenPrinter
#undef StartDoc

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "platform/win32/error_text.h"
#include "platform/win32/job_fate.h"
#include "platform/win32/handles.h"

namespace ks::win32 {

bool PrinterTraits::Close(HANDLE h) { return ClosePrinter(h) != FALSE; }

namespace {

// Not in every SDK's headers: DRIVER_INFO_8's attribute of an XPS-based (v4) driver.
constexpr DWORD kPrinterDriverXps = 0x00000002;

// A v4 driver renders what it is sent in its default data type and drops data
// that is not XPS, so a raw job would vanish while every call succeeds. Only such
// a driver is asked for the pass-through data type; one that cannot be asked (an
// older spooler, Wine) is treated as a classic driver.
bool DriverIsXps(HANDLE printer) {
    DWORD needed = 0;
    if (GetPrinterDriverA(printer, nullptr, 8, nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(DRIVER_INFO_8A))
        return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterDriverA(printer, nullptr, 8, buffer.data(), needed, &needed))
        return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_8A*>(buffer.data());
    return (info->dwPrinterDriverAttributes & kPrinterDriverXps) != 0;
}

// Level 2 of GetJobA or GetPrinterA into a buffer of the size the call asks for; empty
// when the call fails.
template <typename Call>
std::vector<BYTE> InfoOf(Call call) {
    DWORD needed = 0;
    call(nullptr, 0, &needed);
    if (needed == 0)
        return {};
    std::vector<BYTE> buffer(needed);
    if (!call(buffer.data(), needed, &needed))
        return {};
    return buffer;
}

// How often a watch looks again, and how often it asks whether to stop meanwhile.
constexpr auto kLookEvery = std::chrono::milliseconds(250);
constexpr auto kStopCheckEvery = std::chrono::milliseconds(25);

class Win32Printer : public SpoolerPrinter {
public:
    Win32Printer(PrinterHandle handle, std::wstring name, std::shared_ptr<SpoolerErrors> errors)
        : handle_(std::move(handle)), name_(std::move(name)), errors_(std::move(errors)) {}

    ~Win32Printer() override {
        if (in_document_)
            Abort();
    }

    bool StartDoc(const DocInfo& doc) override {
        std::string name = ToNative(doc.document_name);
        std::string output = doc.output_file ? ToNative(*doc.output_file) : std::string();
        std::string data_type;
        if (doc.data_type)
            data_type = ToNative(*doc.data_type);
        else if (DriverIsXps(handle_.Get()))
            data_type = "XPS_PASS";
        DOC_INFO_1A info{};
        info.pDocName = name.data();
        info.pOutputFile = doc.output_file ? output.data() : nullptr;
        info.pDatatype = data_type.empty() ? nullptr : data_type.data();
        job_id_ = StartDocPrinterA(handle_.Get(), 1, reinterpret_cast<BYTE*>(&info));
        if (job_id_ == 0)
            return Failed(L"the spooler did not start the document");
        in_document_ = true;
        bytes_written_ = 0;
        return true;
    }

    bool StartPage() override {
        return StartPagePrinter(handle_.Get()) || Failed(L"the spooler did not start the page");
    }

    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        // One WritePrinter carries at most a DWORD's worth; the caller offers the rest again.
        const DWORD count = static_cast<DWORD>(std::min<std::uint64_t>(size, MAXDWORD));
        DWORD written = 0;
        if (!WritePrinter(handle_.Get(), const_cast<std::uint8_t*>(data), count, &written)) {
            Failed(L"the spooler stopped taking the data");
            return 0;
        }
        bytes_written_ += written;
        return std::min<std::uint64_t>(written, count);
    }

    bool EndPage() override {
        return EndPagePrinter(handle_.Get()) || Failed(L"the spooler did not end the page");
    }

    bool EndDoc() override {
        if (!in_document_)
            return false;
        const bool ended = EndDocPrinter(handle_.Get()) != FALSE;
        if (!ended)
            Failed(L"the spooler did not release the document");
        in_document_ = false;
        // Some spoolers refuse to release a document without data; an empty file
        // still made its empty job.
        return ended || bytes_written_ == 0;
    }

    void Abort() override {
        if (!AbortPrinter(handle_.Get()))
            AlsoFailed(L"job " + std::to_wstring(job_id_) + L" could not be cancelled and may be left in the queue of " +
                       name_ + L": cancel it in that printer's queue");
        in_document_ = false;
    }

    bool Close() override {
        if (in_document_)
            Abort();
        if (!handle_)
            return false;
        return handle_.Reset() || AlsoFailed(L"the spooler did not close the printer");
    }

    JobFate Watch(WatchUntil until, std::chrono::milliseconds longest, const std::atomic<bool>* stop) override {
        const auto stopped = [stop] { return stop && stop->load(); };
        const auto deadline = std::chrono::steady_clock::now() + longest;
        std::optional<JobLook> last;
        for (;;) {
            if (stopped())
                return {JobFate::State::Stopped, {}};
            if (std::optional<JobLook> look = Look()) {
                JobFate fate = JudgeJob(*look);
                const bool done = fate.state == JobFate::State::Printed || fate.state == JobFate::State::Failed;
                if (done || until == WatchUntil::Known)
                    return fate;
                last = std::move(look);
            }
            if (std::chrono::steady_clock::now() >= deadline)
                break;
            // Sleeps in short steps, so that a cancel is seen at once.
            const auto next = std::min(deadline, std::chrono::steady_clock::now() + kLookEvery);
            while (std::chrono::steady_clock::now() < next) {
                if (stopped())
                    return {JobFate::State::Stopped, {}};
                std::this_thread::sleep_for(kStopCheckEvery);
            }
        }
        if (!last)  // the spooler never answered
            return {JobFate::State::OnItsWay,
                    {L"the spooler did not say how job " + std::to_wstring(job_id_) + L" stands"}};
        if (until == WatchUntil::Completed) {
            // The last look may have found a cause the spooler names: it says more.
            JobFate fate = JudgeJob(*last);
            return fate.state == JobFate::State::Waiting ? fate : NotPrintedInTime(*last);
        }
        return JudgeJob(*last);
    }

    bool CancelJob() override {
        const HANDLE printer = WatchHandle();
        if (printer && SetJobA(printer, job_id_, 0, nullptr, JOB_CONTROL_DELETE))
            return true;
        Failed(L"job " + std::to_wstring(job_id_) + L" could not be removed from the queue of " + name_ +
               L": cancel it in that printer's queue window");
        return false;
    }

private:
    // The printer's handle for looking at the job once the document has ended: the
    // job's own while it is open, a fresh one after Close.
    HANDLE WatchHandle() {
        if (handle_)
            return handle_.Get();
        if (!watch_handle_) {
            std::string name = ToNative(name_);
            if (!OpenPrinterA(name.data(), watch_handle_.Receive(), nullptr))
                return nullptr;
        }
        return watch_handle_.Get();
    }

    // Whether the queue's list of jobs, read whole, lacks the job.
    bool JobGone(HANDLE printer) {
        constexpr DWORD kAllJobs = 0xFFFFFFFF;
        DWORD needed = 0;
        DWORD count = 0;
        if (EnumJobsA(printer, 0, kAllJobs, 1, nullptr, 0, &needed, &count))
            return true;  // nothing to list: an empty queue
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
            return false;
        std::vector<BYTE> buffer(needed);
        if (!EnumJobsA(printer, 0, kAllJobs, 1, buffer.data(), needed, &needed, &count))
            return false;
        const auto* jobs = reinterpret_cast<const JOB_INFO_1A*>(buffer.data());
        return std::none_of(jobs, jobs + count, [this](const JOB_INFO_1A& job) { return job.JobId == job_id_; });
    }

    // The job and its printer as the spooler reports them now; nullopt when the
    // printer itself cannot be asked. A job the spooler no longer lists has left the queue.
    std::optional<JobLook> Look() {
        const HANDLE printer = WatchHandle();
        if (!printer || job_id_ == 0)
            return std::nullopt;
        const std::vector<BYTE> printer_info = InfoOf([printer](BYTE* buffer, DWORD size, DWORD* needed) {
            return GetPrinterA(printer, 2, buffer, size, needed);
        });
        if (printer_info.size() < sizeof(PRINTER_INFO_2A))
            return std::nullopt;
        const DWORD job_id = job_id_;
        const std::vector<BYTE> job_info = InfoOf([printer, job_id](BYTE* buffer, DWORD size, DWORD* needed) {
            return GetJobA(printer, job_id, 2, buffer, size, needed);
        });
        // A job GetJob does not find may have left the queue, or the call failed for
        // another reason (Wine sets no error code for a missing job): an empty queue, or
        // the queue's list, tells which. (Wine's EnumJobs is a stub that fails.)
        const auto* p = reinterpret_cast<const PRINTER_INFO_2A*>(printer_info.data());
        if (job_info.empty() && p->cJobs != 0 && !JobGone(printer))
            return std::nullopt;
        JobLook look;
        look.printer = name_;
        look.job_id = job_id_;
        look.printer_status = p->Status;
        look.printer_attributes = p->Attributes;
        if (job_info.size() >= sizeof(JOB_INFO_2A)) {
            const auto* j = reinterpret_cast<const JOB_INFO_2A*>(job_info.data());
            look.job_listed = true;
            look.job_status = j->Status;
            look.position = j->Position;
            if (j->pStatus)
                look.job_status_text = FromNative(j->pStatus);
        }
        return look;
    }

    // A step failed: what it was, then the spooler's words for it.
    bool Failed(std::wstring what) {
        const DWORD code = GetLastError();
        errors_->Failed(std::move(what));
        AddWords(code);
        return false;
    }

    // A failure while cleaning up after another one, which stays the first line.
    bool AlsoFailed(std::wstring what) {
        const DWORD code = GetLastError();
        if (errors_->Empty())
            errors_->Failed(std::move(what));
        else
            errors_->Add(std::move(what));
        AddWords(code);
        return false;
    }

    void AddWords(DWORD code) {
        if (const std::wstring words = ErrorText(code); !words.empty())
            errors_->Add(L"the spooler said: " + words);
    }

    PrinterHandle handle_;
    PrinterHandle watch_handle_;
    std::wstring name_;
    std::shared_ptr<SpoolerErrors> errors_;
    DWORD job_id_ = 0;
    bool in_document_ = false;
    std::uint64_t bytes_written_ = 0;
};

}  // namespace

Win32Spooler::Win32Spooler() : errors_(std::make_shared<SpoolerErrors>()) {}

std::unique_ptr<SpoolerPrinter> Win32Spooler::OpenPrinter(const std::wstring& device_name) {
    errors_->Clear();
    // OpenPrinter with no name opens the print server itself, which takes no jobs. A
    // name the ANSI code page cannot take at all converts to no name.
    std::string name = ToNative(device_name);
    if (name.empty()) {
        errors_->Failed(device_name.empty() ? std::wstring(L"no printer name was given")
                                            : L"the printer name \"" + device_name +
                                                  L"\" has no form in the ANSI code page");
        return nullptr;
    }
    PrinterHandle handle;
    if (!OpenPrinterA(name.data(), handle.Receive(), nullptr)) {
        const DWORD code = GetLastError();
        errors_->Failed(L"the spooler did not open the printer \"" + device_name + L"\"");
        if (const std::wstring words = ErrorText(code); !words.empty())
            errors_->Add(L"the spooler said: " + words);
        return nullptr;
    }
    return std::make_unique<Win32Printer>(std::move(handle), device_name, errors_);
}

std::wstring Win32Spooler::LastError() { return errors_->Text(); }

}  // namespace ks::win32
