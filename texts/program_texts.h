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

// Where the remembered printer lives in the settings store.
inline constexpr const wchar_t* kSettingsApp = L"Kestrelspooler";
inline constexpr const wchar_t* kSettingsSection = L"STARTUP";
inline constexpr const wchar_t* kSettingsKey = L"Drucker";

}  // namespace ks::texts
