// One raw spooler job that carries a whole buffer in chunks, cancelled rather than left half-sent.
#include "printing/raw_job.h"

#include <algorithm>

#include "texts/program_texts.h"

namespace ks {

namespace {

enum class Writes { Done, Failed, Stopped };

// Each chunk is offered whole; a spooler that takes part of it is offered the rest
// until it has all or stops taking any. `done` counts what it took.
Writes WriteChunks(SpoolerPrinter& printer, ByteSource& source, std::uint64_t chunk_bytes,
                   JobControl& control, std::uint64_t& done) {
    if (control.CancelRequested())
        return Writes::Stopped;
    for (bool first = true;; first = false) {
        const std::optional<ByteView> chunk = source.Read(chunk_bytes);
        if (!chunk)
            return Writes::Failed;
        if (chunk->size == 0) {
            if (first)
                printer.Write(chunk->data, 0);  // an empty job still makes its one write
            return Writes::Done;
        }
        if (!first && control.CancelRequested())
            return Writes::Stopped;
        std::uint64_t offered = 0;
        while (offered < chunk->size) {
            const std::uint64_t taken = printer.Write(chunk->data + offered, chunk->size - offered);
            if (taken == 0 || taken > chunk->size - offered)
                return Writes::Failed;
            offered += taken;
            done += taken;
        }
        control.Report(done);
    }
}

}  // namespace

void JobControl::Report(std::uint64_t sent) {
    sent_.store(sent);
    if (on_sent_)
        on_sent_(sent);
}

JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes,
                     JobControl& control, std::uint64_t chunk_bytes) {
    BufferSource source(bytes);
    return SendRawJob(spooler, device_name, source, control, chunk_bytes);
}

JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, ByteSource& source,
                     JobControl& control, std::uint64_t chunk_bytes) {
    chunk_bytes = std::max<std::uint64_t>(chunk_bytes, 1);
    JobResult result;
    if (control.CancelRequested()) {
        result.outcome = JobOutcome::CancelledByUser;
        return result;
    }
    std::unique_ptr<SpoolerPrinter> printer = spooler.OpenPrinter(device_name);
    if (!printer) {
        result.outcome = JobOutcome::OpenRefused;
        return result;
    }
    printer->StopWaitingWhen(&control.CancelFlag());
    // The open may have taken its time: a cancel that came meanwhile starts nothing.
    if (control.CancelRequested()) {
        printer->Close();
        result.outcome = JobOutcome::CancelledByUser;
        return result;
    }

    if (!printer->StartDoc(DocInfo{texts::kDocumentName, std::nullopt, std::nullopt})) {
        printer->Close();
        result.outcome = control.CancelRequested() ? JobOutcome::CancelledByUser : JobOutcome::Cancelled;
        return result;
    }
    const bool page = printer->StartPage();
    Writes writes = page ? WriteChunks(*printer, source, chunk_bytes, control, result.sent) : Writes::Failed;
    bool sent = writes == Writes::Done && printer->EndPage();
    if (sent && control.CancelRequested()) {
        writes = Writes::Stopped;
        sent = false;
    }
    sent = sent && printer->EndDoc();
    if (!sent)
        printer->Abort();
    printer->Close();
    if (sent) {
        result.outcome = JobOutcome::Delivered;
    } else if (writes == Writes::Stopped || control.CancelRequested()) {
        // A printer that stopped waiting because of the request fails its call: that is
        // the user's cancel too, not a failure of the spooler's.
        result.outcome = JobOutcome::CancelledByUser;
    } else {
        result.outcome = JobOutcome::Cancelled;
        result.broke_off = page;
    }
    return result;
}

}  // namespace ks
