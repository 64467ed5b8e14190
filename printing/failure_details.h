// The detail lines on standard error that say why a print did not go through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "printing/raw_job.h"

namespace ks {

// The lines of a text that holds several, separated by '\n'; none for "".
std::vector<std::wstring> Lines(const std::wstring& text);

// A byte count with its thousands grouped by commas: "123,456,789".
std::wstring GroupedCount(std::uint64_t count);

// After a job: its lines (JobResult::lines), the first followed by how far the hand-over
// had got when it broke off ("... after 123,456,789 of 500,000,000 bytes").
std::vector<std::wstring> JobFailureLines(const JobResult& result, std::uint64_t total);

// Detail lines as a box shows them: each a sentence, with a capital first letter and a
// full stop ("the printer is offline" -> "The printer is offline.").
std::vector<std::wstring> Sentences(std::vector<std::wstring> lines);

// After a file could not be read: which, and why ("cannot read "/data/a.prn": no such file").
std::vector<std::wstring> FileNotReadLines(const std::wstring& path, const std::wstring& cause);

// After the printer name matched no installed printer. `list_error` is why the printer
// list could not be read, "" when it was. `nothing_remembered`: a command-line run
// found no remembered printer, as on the first run, and the user is told how to choose one.
std::vector<std::wstring> UnknownPrinterLines(const std::wstring& name, const std::wstring& list_error,
                                              bool nothing_remembered);

}  // namespace ks
