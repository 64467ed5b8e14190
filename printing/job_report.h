// What the program tells the user when a job ends, and the exit status a command-line run ends with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "printing/print_job.h"

namespace ks {

// One answer to the user: a box (or "CAPTION: TEXT" where no box can be shown), the
// detail lines that say why, and the status a command-line run exits with.
struct JobReport {
    std::wstring text;
    std::wstring caption;
    std::vector<std::wstring> details;
    int exit_status = 0;  // 0 printed or on its way, 1 failed or cancelled, 3 waiting
};

// After a job was sent (or refused) to a printer that was found: the outcome in words.
// The details are the result's lines, for every outcome: where a delivered or waiting
// job stands, or why it failed.
JobReport ReportJob(const JobResult& result, std::uint64_t total);

// The printer name matched no printer; see UnknownPrinterLines.
JobReport ReportUnknownPrinter(const std::wstring& name, const std::wstring& list_error,
                               bool nothing_remembered);

// The file could not be read; `details` say why when that is known.
JobReport ReportFileNotRead(std::vector<std::wstring> details);

}  // namespace ks
