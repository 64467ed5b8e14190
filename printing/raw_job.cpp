// One raw spooler job that carries a whole buffer, cancelled rather than left half-sent.
#include "raw_job.h"

#include "texts.h"

namespace ks {

namespace {

// The first write offers the whole buffer; a spooler that takes part of it is offered
// the rest until it has all or stops taking any. `done` counts what it took.
bool WriteAll(SpoolerPrinter& printer, const ByteBuffer& bytes, std::uint64_t& done) {
    while (done < bytes.size()) {
        const std::uint64_t taken = printer.Write(bytes.data() + done, bytes.size() - done);
        if (taken == 0 || taken > bytes.size() - done)
            return false;
        done += taken;
    }
    if (bytes.empty())
        printer.Write(bytes.data(), 0);  // an empty job still makes its one write
    return true;
}

}  // namespace

JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes) {
    JobResult result;
    std::unique_ptr<SpoolerPrinter> printer = spooler.OpenPrinter(device_name);
    if (!printer) {
        result.outcome = JobOutcome::OpenRefused;
        return result;
    }

    if (!printer->StartDoc(DocInfo{texts::kDocumentName, std::nullopt, std::nullopt})) {
        printer->Close();
        result.outcome = JobOutcome::Cancelled;
        return result;
    }
    const bool page = printer->StartPage();
    const bool sent = page && WriteAll(*printer, bytes, result.sent) && printer->EndPage() &&
                      printer->EndDoc();
    if (!sent)
        printer->Abort();
    printer->Close();
    result.outcome = sent ? JobOutcome::Delivered : JobOutcome::Cancelled;
    result.broke_off = page && !sent;
    return result;
}

}  // namespace ks
