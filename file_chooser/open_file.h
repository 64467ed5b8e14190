// The open-file dialog routines and the File select handler that puts their answer in the path field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/open_file_dialog.h"
#include "platform/process.h"
#include "platform/window_system.h"

namespace ks {

class Kestrelspooler;

namespace file_chooser {
inline constexpr std::wstring_view kTitle = L"Open file";
inline constexpr std::wstring_view kFilter = L"All|*.*";
// The longest full path a file system hands out: 32,767 characters on Windows with
// long paths enabled (the program declares itself long-path aware), more than POSIX's.
// The file buffer holds it with its closing NUL, so any file the dialog can show comes
// back whole.
inline constexpr std::size_t kLongestPath = 32767;
inline constexpr std::size_t kFileBufferLength = kLongestPath + 1;
// The longest initial name the dialog is given; longer ones are refused.
inline constexpr std::size_t kInitialNameLength = 128;
// The flags of the open dialog: only an existing file in an existing folder, no
// read-only check box. Without kOfnNoChangeDir the next dialog starts where this one ended.
inline constexpr std::uint32_t kOpenFlags = kOfnFileMustExist | kOfnPathMustExist | kOfnHideReadOnly;
}  // namespace file_chooser

// "Text|pattern|..." in the platform's form: every "|" becomes NUL, and a second NUL
// closes the list.
std::wstring FilterList(std::wstring_view filter);

// A fresh record for one open dialog, or nullopt when the initial name is longer than
// kInitialNameLength. The owner's native window is fetched here, as the dialog opens.
std::optional<OpenFileRecord> OpenDialogRecord(const Form& owner, const std::wstring& title,
                                               const std::wstring& folder,
                                               const std::wstring& initial_name,
                                               const std::wstring& filter,
                                               const std::wstring& default_extension);

// Shows the open dialog and returns the chosen file's name without its folder, "" when
// no file was chosen (Cancel, a failed dialog). Only after a confirmed choice is
// `folder` set, to the file's folder with its final separator. nullopt when the
// initial name is longer than kInitialNameLength: no dialog
// opens then.
std::optional<std::wstring> ShowOpen(OpenFileDialogService& dialogs, const Form& owner,
                                     std::wstring title, std::wstring& folder,
                                     std::wstring initial_name, std::wstring filter,
                                     std::wstring default_extension);

// The File select button's Click (and File -> Open): the dialog starts in the current
// folder; the chosen full path, or after Cancel the current folder with its final
// separator, goes into the path field, and the main window loads it whatever the
// dialog's outcome.
void FileSelectClick(Kestrelspooler& app, OpenFileDialogService& dialogs, Process& process);

}  // namespace ks
