// The fixed texts and captions the program shows.
#pragma once

namespace ks::texts {

inline constexpr const wchar_t* kProgramTitle = L"Kestrelspooler";
inline constexpr const wchar_t* kExecuted = L"Executed!";
inline constexpr const wchar_t* kExecutedCaption = L"Message";
inline constexpr const wchar_t* kPrinterNotRecognized =
    L"The Printer Name you typed wasn't recognized.";
inline constexpr const wchar_t* kJobFailed = L"The print job failed and was cancelled.";
inline constexpr const wchar_t* kJobCancelled = L"The print job was cancelled.";
inline constexpr const wchar_t* kFileNotRead = L"The file could not be read.";
inline constexpr const wchar_t* kDocumentName = L"Command Print";

// Where the remembered printer lives in the settings store.
inline constexpr const wchar_t* kSettingsApp = L"Kestrelspooler";
inline constexpr const wchar_t* kSettingsSection = L"STARTUP";
inline constexpr const wchar_t* kSettingsKey = L"Drucker";

}  // namespace ks::texts
