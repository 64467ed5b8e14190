// Raw print jobs through the CUPS destination API: create the job, start a raw document, write, finish.
#include "platform/cups/cups_spooler.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace ks {

namespace {

// The raw format: the scheduler runs no filter, so even a queue with a driver hands the
// bytes to the printer unchanged. Named here because libcups 3 drops CUPS_FORMAT_RAW.
constexpr const char* kRawFormat = "application/vnd.cups-raw";

// One call hands at most this much to libcups; the caller offers the rest again.
constexpr std::uint64_t kMaxWrite = std::uint64_t{1} << 30;

bool Succeeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpClose>;

// The scheduler that CUPS_SERVER or the client configuration names, the one
// CUPS_HTTP_DEFAULT reaches. Not cupsConnectDest: that follows the queue's
// printer-uri-supported (ipp://localhost/... on port 631) and misses a scheduler on
// another port or socket. A connection of our own, rather than the shared default one,
// can be dropped in the middle of a document (see CancelJob).
Http ConnectToScheduler() {
    return Http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                             30000, nullptr));
}

// httpConnect2 leaves no IPP status behind; the system's reason is in errno.
std::string ConnectError() {
    const int error = errno;
    return std::string("Cannot reach the CUPS scheduler at ") + cupsServer() + ": " +
           std::strerror(error);
}

std::string CupsError() {
    const char* text = cupsLastErrorString();
    return text != nullptr ? text : "";
}

class CupsPrinter : public SpoolerPrinter {
public:
    CupsPrinter(Http http, cups_dest_t* dest, cups_dinfo_t* info,
                std::shared_ptr<std::string> last_error)
        : http_(std::move(http)), dest_(dest), info_(info), last_error_(std::move(last_error)) {}

    ~CupsPrinter() override {
        Close();
        cupsFreeDestInfo(info_);
        cupsFreeDests(1, dest_);
    }

    CupsPrinter(const CupsPrinter&) = delete;
    CupsPrinter& operator=(const CupsPrinter&) = delete;

    bool StartDoc(const DocInfo& doc) override {
        if (!http_ || job_id_ != 0 || delivered_) {
            *last_error_ = "One job per open printer.";
            return false;
        }
        const std::string title = ToNative(doc.document_name);
        if (title.find('\0') != std::string::npos) {
            *last_error_ = "The document name holds a NUL character.";
            return false;
        }
        cups_option_t* options = nullptr;
        // A banner page must never be put in front of raw data.
        const int num_options = cupsAddOption("job-sheets", "none", 0, &options);
        int job_id = 0;
        const ipp_status_t created = cupsCreateDestJob(http_.get(), dest_, info_, &job_id,
                                                       title.c_str(), num_options, options);
        cupsFreeOptions(num_options, options);
        if (!Succeeded(created) || job_id <= 0) {
            *last_error_ = CupsError();
            return false;
        }
        job_id_ = job_id;
        const http_status_t started = cupsStartDestDocument(
            http_.get(), dest_, info_, job_id_, title.c_str(), kRawFormat, 0, nullptr, 1);
        if (started != HTTP_STATUS_CONTINUE) {
            *last_error_ = CupsError();
            CancelJob();
            return false;
        }
        sending_ = true;
        written_ = 0;
        return true;
    }

    bool StartPage() override { return true; }

    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        if (!sending_ || write_failed_ || size == 0)
            return 0;
        const std::uint64_t count = std::min(size, kMaxWrite);
        // libcups ignores SIGPIPE (httpInitialize), so a scheduler that went away makes
        // the write fail instead of ending the program.
        if (cupsWriteRequestData(http_.get(), reinterpret_cast<const char*>(data),
                                 static_cast<size_t>(count)) != HTTP_STATUS_CONTINUE) {
            // A failed write on the connection may leave no IPP status behind.
            const int error = httpError(http_.get());
            *last_error_ = error != 0 ? std::strerror(error) : CupsError();
            write_failed_ = true;
            return 0;
        }
        written_ += count;
        return count;
    }

    bool EndPage() override { return true; }

    bool EndDoc() override {
        // After a failed write the document is incomplete: finishing it would release a
        // truncated job.
        if (!sending_ || write_failed_)
            return false;
        const ipp_status_t finished = cupsFinishDestDocument(http_.get(), dest_, info_);
        sending_ = false;
        if (Succeeded(finished)) {
            delivered_ = true;
            job_id_ = 0;
            return true;
        }
        *last_error_ = CupsError();
        if (written_ == 0) {
            // CUPS refuses a document of zero bytes ("No file in print request.") and
            // leaves the job waiting for one. The printer would have received nothing
            // either way: the job is cancelled and the empty document counts as delivered.
            return CancelJob();
        }
        return false;
    }

    void Abort() override { CancelJob(); }

    bool Close() override {
        CancelJob();
        http_.reset();
        return true;
    }

private:
    // Cancels the job when there is one. A document still being sent is first cut off by
    // dropping the connection in the middle of it, so the scheduler discards what it
    // received instead of accepting a truncated document (finishing it first, then
    // cancelling, would let the scheduler start printing in between). The cancel then
    // goes over a fresh connection.
    bool CancelJob() {
        if (job_id_ == 0)
            return true;
        const int job_id = job_id_;
        job_id_ = 0;
        sending_ = false;
        http_.reset();
        Http http = ConnectToScheduler();
        if (!http) {
            *last_error_ = ConnectError();
            return false;
        }
        if (!Succeeded(cupsCancelDestJob(http.get(), dest_, job_id))) {
            *last_error_ = CupsError();
            return false;
        }
        return true;
    }

    Http http_;
    cups_dest_t* dest_;
    cups_dinfo_t* info_;
    std::shared_ptr<std::string> last_error_;
    int job_id_ = 0;
    bool sending_ = false;
    bool write_failed_ = false;
    bool delivered_ = false;
    std::uint64_t written_ = 0;
};

}  // namespace

CupsSpooler::CupsSpooler() : last_error_(std::make_shared<std::string>()) {}

std::unique_ptr<SpoolerPrinter> CupsSpooler::OpenPrinter(const std::wstring& device_name) {
    last_error_->clear();
    const std::string name = ToNative(device_name);
    // A NUL would cut the name short and open some other queue.
    if (name.empty() || name.find('\0') != std::string::npos) {
        *last_error_ = "No such printer name.";
        return nullptr;
    }
    // Printer names cannot hold a slash; the part after one is the instance.
    const size_t slash = name.find('/');
    const std::string printer = name.substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : name.substr(slash + 1);

    Http http = ConnectToScheduler();
    if (!http) {
        *last_error_ = ConnectError();
        return nullptr;
    }
    cups_dest_t* dest = cupsGetNamedDest(http.get(), printer.c_str(),
                                         instance.empty() ? nullptr : instance.c_str());
    if (dest == nullptr) {
        *last_error_ = CupsError();
        return nullptr;
    }
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    if (accepting != nullptr && std::strcmp(accepting, "false") == 0) {
        *last_error_ = "Destination \"" + name + "\" is not accepting jobs.";
        cupsFreeDests(1, dest);
        return nullptr;
    }
    cups_dinfo_t* info = cupsCopyDestInfo(http.get(), dest);
    if (info == nullptr) {
        *last_error_ = CupsError();
        cupsFreeDests(1, dest);
        return nullptr;
    }
    return std::make_unique<CupsPrinter>(std::move(http), dest, info, last_error_);
}

std::wstring CupsSpooler::LastError() { return FromNative(*last_error_); }

}  // namespace ks
