// The fixed texts and captions the program shows.
#pragma once

namespace ks::texts {

inline constexpr const wchar_t* kProgramTitle = L"Kestrelspooler";
inline constexpr const wchar_t* kExecuted = L"Executed!";
inline constexpr const wchar_t* kExecutedCaption = L"Message";
inline constexpr const wchar_t* kPrinterNotRecognized =
    L"The Printer Name you typed wasn't recognized.";
inline constexpr const wchar_t* kJobFailed = L"The print job failed and was cancelled.";
// A job that failed and was never created, or could not be cancelled and is left in the queue.
inline constexpr const wchar_t* kJobFailedLeft = L"The print job failed.";
// The spooler has the job, and the job waits in the queue for its cause to be removed.
inline constexpr const wchar_t* kJobWaiting = L"The job is waiting in the printer's queue.";
// The progress window, while the program looks at a job the spooler has taken whole.
inline constexpr const wchar_t* kWaitingForPrinter = L"Waiting for the printer\u2026";
inline constexpr const wchar_t* kJobCancelled = L"The print job was cancelled.";
inline constexpr const wchar_t* kFileNotRead = L"The file could not be read.";
inline constexpr const wchar_t* kDocumentName = L"Command Print";

// The command line's help: on standard output for --help, on standard error after a
// command line that cannot be understood. One line a '\n'.
inline constexpr const wchar_t* kUsage =
    L"Usage: kestrelspooler [OPTION]... FILE...\n"
    L"Send each FILE unchanged to a printer as one raw print job, in the order given.\n"
    L"FILE - reads standard input. Without arguments the window opens.\n"
    L"\n"
    L"  -p, --printer NAME     print to NAME, not to the remembered printer\n"
    L"  -l, --list-printers    list the installed printers, one a line\n"
    L"  -q, --quiet            write and show nothing when every file printed\n"
    L"  -w, --wait             follow each job until the printer has taken all of it\n"
    L"  -t, --timeout SECONDS  wait no longer than this (600 unless given)\n"
    L"  -h, --help             show this help (also /? on Windows)\n"
    L"  -V, --version          show the version\n"
    L"      --                 what follows are files, even when they start with -\n"
    L"\n"
    L"Exit status: 0 printed; 1 failed or cancelled; 2 a wrong command line;\n"
    L"3 a job still waiting in the printer's queue; 128+N stopped by signal N.";
// How detail lines and the progress name the file "-".
inline constexpr const wchar_t* kStandardInputName = L"standard input";

// Where the remembered printer lives in the settings store.
inline constexpr const wchar_t* kSettingsApp = L"Kestrelspooler";
inline constexpr const wchar_t* kSettingsSection = L"STARTUP";
inline constexpr const wchar_t* kSettingsKey = L"Drucker";

}  // namespace ks::texts
