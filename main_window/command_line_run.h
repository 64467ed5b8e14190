// The program started with arguments: it prints the files they name (or lists the printers) and ends.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "main_window/command_line.h"
#include "main_window/kestrelspooler.h"
#include "printing/job_report.h"
#include "printing/job_watch.h"
#include "progress/progress_window.h"

namespace ks {

// The whole command-line run: reads `arguments` (Process::Arguments), does what they
// ask and returns the exit status for main to return. The main window is never built
// and the remembered printer is read (unless --printer names one) but never written.
//
// - Each file is sent as its own "Command Print" job to the one printer, in the order
//   given; a file that cannot be read is reported and the others still go. Standard
//   input ("-") is read to its end first. The printer is looked up by its name alone,
//   once, when the first file has been read: the installed-printer list is never read
//   (except for --list-printers).
// - One answer at the end (CombineReports). Where standard error is a terminal it goes
//   there as detail lines and "CAPTION: TEXT", and a long job draws the meter; else a
//   box shows it, and a long job its progress window. --quiet leaves out everything
//   when every file printed.
// - From the first job on, SIGINT, SIGTERM and SIGHUP (Process::CatchInterruptions)
//   cancel the running job as the progress window's Cancel does, and no further file is
//   sent: the answer is "The print job was cancelled." and the status 128 + the signal.
//
// Exit status: 0 every file printed (or the list, the help, the version was written);
// 1 a file failed; 2 a command line that cannot be understood (the usage follows on
// standard error); 3 none failed and a job is still waiting in the printer's queue;
// 128 + N stopped by signal N.
int RunCommandLine(Services& services, const std::vector<std::wstring>& arguments,
                   const JobPacing& pacing = {});

// How long a job is followed after the spooler took it: with --wait until the printer
// has all of it, for --timeout at the most; otherwise until its outcome is known.
JobWatch WatchFor(const CommandLineRequest& request);

// One file of a run: how it is named in detail lines, and what became of it.
struct FileReport {
    std::wstring name;
    JobReport report;
};

// The one answer of a run of `count` files, of which `reports` were tried in order.
// `stopped_by`: the signal that stopped the run, 0 when none did.
// - A run of one file gives that file's answer as it stands.
// - When every file printed: "Executed!", with each file's detail lines.
// - Otherwise the text and caption of the first failure (a waiting job only where
//   none failed), or "The print job was cancelled." after a signal, with the exit
//   status that goes with it: 1 when any failed, else 3, or 128 + the signal. Its
//   detail lines: "N of M files printed", then a line for each file tried, saying
//   whether it printed ("\"c.prn\": the file could not be read"), each followed by
//   that file's own detail lines.
JobReport CombineReports(const std::vector<FileReport>& reports, std::size_t count, int stopped_by);

}  // namespace ks
