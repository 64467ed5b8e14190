// The open-file dialog routines and the File select handler that puts their answer in the path field.
#include "file_chooser/open_file.h"

#include <algorithm>

#include "main_window/kestrelspooler.h"
#include "main_window/main_form.h"

namespace ks {

namespace fc = file_chooser;

std::wstring FilterList(std::wstring_view filter) {
    std::wstring list(filter);
    list += L"||";
    std::replace(list.begin(), list.end(), L'|', L'\0');
    return list;
}

std::optional<OpenFileRecord> OpenDialogRecord(const Form& owner, const std::wstring& title,
                                               const std::wstring& folder,
                                               const std::wstring& initial_name,
                                               const std::wstring& filter,
                                               const std::wstring& default_extension) {
    if (initial_name.size() > fc::kInitialNameLength)
        return std::nullopt;
    OpenFileRecord record;
    record.lStructSize = RecordForm::Version400;
    record.hwndOwner = owner.NativeHandle();
    record.lpstrFilter = FilterList(filter);
    record.nFilterIndex = 1;
    record.lpstrFile = initial_name;
    record.lpstrFile.resize(fc::kFileBufferLength, L'\0');
    record.nMaxFile = static_cast<std::uint32_t>(fc::kFileBufferLength);
    record.lpstrInitialDir = folder;
    record.lpstrTitle = title;
    record.Flags = fc::kOpenFlags;
    record.lpstrDefExt = default_extension;
    return record;
}

std::optional<std::wstring> ShowOpen(OpenFileDialogService& dialogs, const Form& owner,
                                     std::wstring title, std::wstring& folder,
                                     std::wstring initial_name, std::wstring filter,
                                     std::wstring default_extension) {
    std::optional<OpenFileRecord> record =
        OpenDialogRecord(owner, title, folder, initial_name, filter, default_extension);
    if (!record)
        return std::nullopt;
    if (!dialogs.Show(*record))
        return std::wstring();

    const std::wstring& buffer = record->lpstrFile;
    const std::wstring path = buffer.substr(0, buffer.find(L'\0'));
    // The offset comes from outside the program; one past the path would make a split
    // that does not exist.
    const std::size_t offset = std::min<std::size_t>(record->nFileOffset, path.size());
    folder = path.substr(0, offset);
    return path.substr(offset);
}

void FileSelectClick(Kestrelspooler& app, OpenFileDialogService& dialogs, Process& process) {
    std::wstring folder = process.CurrentFolder();
    // A refused request ends like Cancel: no name, and the load below still runs.
    const std::wstring name = ShowOpen(dialogs, app.Window(), std::wstring(fc::kTitle), folder,
                                       L"", std::wstring(fc::kFilter), L"")
                                  .value_or(L"");
    const wchar_t separator = dialogs.PathSeparator();
    if (folder.empty() || folder.back() != separator)
        folder += separator;
    app.Window().SetText(main_form::Text2, folder + name);
    app.OpenFi();
}

}  // namespace ks
