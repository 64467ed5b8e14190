// Raw jobs straight to a printer's AppSocket port (socket://HOST[:PORT]), with the spooler's deadlines.
#include "printing/socket_spooler.h"

#include "printing/failure_details.h"
#include "printing/printer_address.h"

namespace ks {

namespace {

using Kind = NetworkTrouble::Kind;

// "the connection refused", ... for the line that names the address.
std::wstring Cause(const NetworkTrouble& trouble) {
    switch (trouble.kind) {
    case Kind::NotFound:
        return L"the host name was not found" + (trouble.words.empty() ? L"" : L" (" + trouble.words + L")");
    case Kind::Refused:
        return L"the connection was refused (nothing listens on that port)";
    case Kind::TimedOut:
        return L"no answer within " + trouble.words;
    default:
        return trouble.words.empty() ? L"the connection failed" : trouble.words;
    }
}

class SocketPrinter : public SpoolerPrinter {
public:
    SocketPrinter(std::unique_ptr<NetworkStream> stream, std::wstring address,
                  SpoolerDeadlines deadlines, std::shared_ptr<SpoolerErrors> errors)
        : stream_(std::move(stream)), address_(std::move(address)), deadlines_(deadlines),
          errors_(std::move(errors)) {}

    ~SocketPrinter() override { Close(); }

    bool StartDoc(const DocInfo&) override {
        if (!stream_ || started_) {
            errors_->Failed(L"one job per open printer");
            return false;
        }
        started_ = true;
        return true;
    }

    bool StartPage() override { return started_; }

    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        if (!stream_ || !started_ || failed_ || size == 0)
            return 0;
        const std::uint64_t taken = stream_->Send(data, size, deadlines_.stalled_send, stop_);
        sent_ += taken;
        if (taken < size) {
            failed_ = true;
            Broke(stream_->Trouble());
        }
        return taken;
    }

    bool EndPage() override { return started_; }

    bool EndDoc() override {
        if (!stream_ || !started_ || failed_)
            return false;
        const bool closed = stream_->Finish(SocketSpooler::kFinishWait, stop_);
        const std::optional<std::uint64_t> left = stream_->Unacknowledged();
        // A printer that keeps its side open but has acknowledged every byte has the job.
        if (closed || (left && *left == 0 && stream_->Trouble().kind == Kind::Stalled)) {
            stream_.reset();
            started_ = false;
            return true;
        }
        failed_ = true;
        const NetworkTrouble& trouble = stream_->Trouble();
        if (trouble.kind == Kind::Stopped)
            return false;
        if (trouble.kind == Kind::Stalled) {
            errors_->Failed(L"the printer at " + address_ + L" did not close the connection within " +
                            DurationText(SocketSpooler::kFinishWait) + L" after the last byte" +
                            (left ? L"; it had not taken the last " + GroupedCount(*left) + L" bytes"
                                  : L"; whether it took every byte is not known"));
        } else {
            Broke(trouble);
        }
        return false;
    }

    void Abort() override {
        if (!stream_)
            return;
        const std::optional<std::uint64_t> left = stream_->Unacknowledged();
        stream_->Abort();
        stream_.reset();
        if (!started_)
            return;
        started_ = false;
        std::wstring line = L"the connection to " + address_ + L" was closed; ";
        if (sent_ == 0 || (left && *left >= sent_))
            line += L"the printer had taken no byte of the job";
        else
            line += L"the printer had already taken " +
                    (left ? GroupedCount(sent_ - *left) : L"up to " + GroupedCount(sent_)) +
                    L" bytes, which a raw socket cannot take back";
        if (errors_->Empty())
            errors_->Failed(line);
        else
            errors_->Add(line);
    }

    void StopWaitingWhen(const std::atomic<bool>* stop) override { stop_ = stop; }

    bool Close() override {
        Abort();
        return true;
    }

private:
    // The stream failed while the document was on its way.
    void Broke(const NetworkTrouble& trouble) {
        switch (trouble.kind) {
        case Kind::Stopped:
            return;  // the user's cancel: nothing failed
        case Kind::Stalled:
            errors_->Failed(L"the printer at " + address_ + L" took no byte for " + trouble.words);
            return;
        case Kind::Closed:
            errors_->Failed(L"the printer at " + address_ + L" closed the connection");
            return;
        default:
            errors_->Failed(L"the connection to " + address_ + L" failed: " + Cause(trouble));
            return;
        }
    }

    std::unique_ptr<NetworkStream> stream_;
    const std::wstring address_;
    const SpoolerDeadlines deadlines_;
    std::shared_ptr<SpoolerErrors> errors_;
    const std::atomic<bool>* stop_ = nullptr;
    bool started_ = false;
    bool failed_ = false;
    std::uint64_t sent_ = 0;
};

}  // namespace

SocketSpooler::SocketSpooler(Network& network, SpoolerDeadlines deadlines)
    : network_(network), deadlines_(deadlines), errors_(std::make_shared<SpoolerErrors>()) {}

std::unique_ptr<SpoolerPrinter> SocketSpooler::OpenPrinter(const std::wstring& address) {
    errors_->Clear();
    const AddressParse parse = ParsePrinterAddress(address);
    if (parse.kind != AddressParse::Kind::Address ||
        parse.address.scheme != PrinterAddress::Scheme::Socket) {
        errors_->Failed(L"\"" + ShownAsData(address) + L"\" is no socket:// address" +
                        (parse.trouble.empty() ? L"" : L": " + parse.trouble));
        return nullptr;
    }
    NetworkTrouble trouble;
    std::unique_ptr<NetworkStream> stream =
        network_.Connect(parse.address.host, parse.address.port, deadlines_.lookup, trouble);
    if (!stream) {
        errors_->Failed(L"could not connect to " + address + L": " + Cause(trouble));
        return nullptr;
    }
    return std::make_unique<SocketPrinter>(std::move(stream), address, deadlines_, errors_);
}

std::wstring SocketSpooler::LastError() { return errors_->Text(); }

}  // namespace ks
