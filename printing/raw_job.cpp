// One raw spooler job that carries a whole buffer, cancelled rather than left half-sent.
#include "raw_job.h"

#include "texts.h"

namespace ks {

namespace {

bool WriteAll(SpoolerPrinter& printer, const ByteBuffer& bytes) {
    // The first write offers the whole buffer; a spooler that takes part of it is
    // offered the rest until it has all or stops taking any.
    std::uint64_t done = 0;
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

JobOutcome SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes) {
    std::unique_ptr<SpoolerPrinter> printer = spooler.OpenPrinter(device_name);
    if (!printer)
        return JobOutcome::OpenRefused;

    if (!printer->StartDoc(DocInfo{texts::kDocumentName, std::nullopt, std::nullopt})) {
        printer->Close();
        return JobOutcome::Cancelled;
    }
    const bool sent = printer->StartPage() && WriteAll(*printer, bytes) && printer->EndPage() &&
                      printer->EndDoc();
    if (!sent)
        printer->Abort();
    printer->Close();
    return sent ? JobOutcome::Delivered : JobOutcome::Cancelled;
}

}  // namespace ks
