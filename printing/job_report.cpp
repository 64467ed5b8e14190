// What the program tells the user when a job ends, and the exit status a command-line run ends with.
#include "printing/job_report.h"

#include "printing/failure_details.h"
#include "texts/program_texts.h"

namespace ks {

JobReport ReportJob(const JobResult& result, std::uint64_t total) {
    JobReport report{texts::kExecuted, texts::kExecutedCaption, JobFailureLines(result, total), 0};
    if (result.outcome == JobOutcome::Delivered)
        return report;
    report.caption = texts::kProgramTitle;
    report.exit_status = 1;
    switch (result.outcome) {
    case JobOutcome::Waiting:
        report.text = texts::kJobWaiting;
        report.exit_status = 3;
        break;
    case JobOutcome::OpenRefused:
        report.text = texts::kPrinterNotRecognized;
        break;
    case JobOutcome::CancelledByUser:
        report.text = texts::kJobCancelled;
        break;
    case JobOutcome::Failed:
        report.text = texts::kJobFailedLeft;
        break;
    case JobOutcome::Cancelled:
    case JobOutcome::Delivered:
        report.text = texts::kJobFailed;
        break;
    }
    return report;
}

JobReport ReportUnknownPrinter(const std::wstring& name, const std::wstring& list_error,
                               bool nothing_remembered) {
    return {texts::kPrinterNotRecognized, texts::kProgramTitle,
            UnknownPrinterLines(name, list_error, nothing_remembered), 1};
}

JobReport ReportFileNotRead(std::vector<std::wstring> details) {
    return {texts::kFileNotRead, texts::kProgramTitle, std::move(details), 1};
}

}  // namespace ks
