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

// After a job that did not go through: the spooler's account of it, line by line, its
// first line followed by how far the hand-over had got when it broke off
// ("... after 123,456,789 of 500,000,000 bytes").
std::vector<std::wstring> JobFailureLines(const std::wstring& spooler_words, const JobResult& result,
                                          std::uint64_t total);

// After the printer name matched no installed printer. `list_error` is why the printer
// list could not be read, "" when it was. `nothing_remembered`: a command-line run
// found no remembered printer, as on the first run, and the user is told how to choose one.
std::vector<std::wstring> UnknownPrinterLines(const std::wstring& name, const std::wstring& list_error,
                                              bool nothing_remembered);

}  // namespace ks
