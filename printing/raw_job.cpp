// One raw spooler job that carries a whole buffer in chunks, cancelled rather than left half-sent.
#include "printing/raw_job.h"

#include <algorithm>

#include "printing/failure_details.h"
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

namespace {

// A failed job, by what the printer knows of it, or else by the step that failed.
JobOutcome FailureOutcome(const SpoolerPrinter& printer, bool started) {
    switch (printer.JobTrace()) {
    case SpoolerPrinter::Trace::NeverCreated:
    case SpoolerPrinter::Trace::LeftInQueue:
        return JobOutcome::Failed;
    case SpoolerPrinter::Trace::Cancelled:
        return JobOutcome::Cancelled;
    case SpoolerPrinter::Trace::Unknown:
        break;
    }
    return started ? JobOutcome::Cancelled : JobOutcome::Failed;
}

// The released job, as far as the watch can tell. A job the user cancels meanwhile, or
// one left waiting by a run that was told to wait for it, is removed from the queue
// when the user asked for that.
JobOutcome Watched(SpoolerPrinter& printer, const JobWatch& watch, JobControl& control,
                   std::vector<std::wstring>& lines) {
    control.StartWatching();
    JobFate fate = printer.Watch(watch.until, watch.longest, &control.CancelFlag());
    lines = std::move(fate.lines);
    switch (fate.state) {
    case JobFate::State::Printed:
    case JobFate::State::OnItsWay:
        return JobOutcome::Delivered;
    case JobFate::State::Waiting:
        return JobOutcome::Waiting;
    case JobFate::State::Failed:
        return JobOutcome::Cancelled;
    case JobFate::State::Stopped:
        break;
    }
    lines.clear();
    return printer.CancelJob() ? JobOutcome::CancelledByUser : JobOutcome::Failed;
}

}  // namespace

JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes,
                     JobControl& control, const JobWatch& watch, std::uint64_t chunk_bytes) {
    BufferSource source(bytes);
    return SendRawJob(spooler, device_name, source, control, watch, chunk_bytes);
}

JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, ByteSource& source,
                     JobControl& control, const JobWatch& watch, std::uint64_t chunk_bytes) {
    chunk_bytes = std::max<std::uint64_t>(chunk_bytes, 1);
    JobResult result;
    if (control.CancelRequested()) {
        result.outcome = JobOutcome::CancelledByUser;
        return result;
    }
    std::unique_ptr<SpoolerPrinter> printer = spooler.OpenPrinter(device_name);
    if (!printer) {
        result.outcome = JobOutcome::OpenRefused;
        result.lines = Lines(spooler.LastError());
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
        result.outcome = control.CancelRequested() ? JobOutcome::CancelledByUser
                                                   : FailureOutcome(*printer, false);
        result.lines = Lines(spooler.LastError());
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
    if (sent) {
        std::vector<std::wstring> watched;
        result.outcome = Watched(*printer, watch, control, watched);
        printer->Close();
        result.lines = Lines(spooler.LastError());
        result.lines.insert(result.lines.end(), watched.begin(), watched.end());
        return result;
    }
    printer->Close();
    if (writes == Writes::Stopped || control.CancelRequested()) {
        // A printer that stopped waiting because of the request fails its call: that is
        // the user's cancel too, not a failure of the spooler's.
        result.outcome = printer->JobTrace() == SpoolerPrinter::Trace::LeftInQueue
                             ? JobOutcome::Failed
                             : JobOutcome::CancelledByUser;
    } else {
        result.outcome = FailureOutcome(*printer, true);
        result.broke_off = page;
    }
    result.lines = Lines(spooler.LastError());
    return result;
}

}  // namespace ks
