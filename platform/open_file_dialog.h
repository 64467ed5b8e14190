// The system's open-file dialog: the program's own form of its record, and the service that shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ks {

// Flags of the record, with the values of the platform's OFN_ constants.
inline constexpr std::uint32_t kOfnHideReadOnly = 0x0004;   // no read-only check box
inline constexpr std::uint32_t kOfnNoChangeDir = 0x0008;    // leave the current folder alone
inline constexpr std::uint32_t kOfnPathMustExist = 0x0800;  // only an existing folder
inline constexpr std::uint32_t kOfnFileMustExist = 0x1000;  // only an existing file

// Which form of the platform's record the dialog is handed: the older one, which ends
// with lpTemplateName (no pvReserved, dwReserved, FlagsEx). Its size in bytes is the
// platform's business (76 on 32-bit Windows, 136 on 64-bit). It is the only form.
enum class RecordForm { Version400 };

// The members of the platform's OPENFILENAME, in its order, as the program fills them.
// Texts are the program's own; the service converts them for the call and back.
// Members the program leaves empty are kept so that a record reads like the real one;
// the services hand the dialog none of them.
struct OpenFileRecord {
    RecordForm lStructSize = RecordForm::Version400;
    void* hwndOwner = nullptr;  // the owner's native window (HWND, QWidget*); may be null
    void* hInstance = nullptr;
    // Pairs of display text and pattern, each item closed by NUL, the list by a second NUL.
    std::wstring lpstrFilter;
    std::optional<std::wstring> lpstrCustomFilter;  // left empty
    std::uint32_t nMaxCustFilter = 0;
    std::uint32_t nFilterIndex = 0;  // 1-based; 0 selects the first pair as well
    // The file buffer: nMaxFile characters. In: the initial name, up to the first NUL.
    // Out, after a confirmed choice: the chosen full path closed by NUL.
    std::wstring lpstrFile;
    std::uint32_t nMaxFile = 0;
    std::optional<std::wstring> lpstrFileTitle;  // left empty
    std::uint32_t nMaxFileTitle = 0;
    std::wstring lpstrInitialDir;  // "" for the platform's own choice
    std::wstring lpstrTitle;       // "" for the platform's own title
    std::uint32_t Flags = 0;
    // Out, after a confirmed choice: where the file name starts in lpstrFile, counted in
    // the program's characters; the folder before it ends with the separator.
    std::uint16_t nFileOffset = 0;
    std::uint16_t nFileExtension = 0;  // what a service leaves here is not used
    std::wstring lpstrDefExt;          // "" appends nothing to a typed name
    std::uintptr_t lCustData = 0;
    void* lpfnHook = nullptr;                    // left null
    std::optional<std::wstring> lpTemplateName;  // left empty
};

class OpenFileDialogService {
public:
    virtual ~OpenFileDialogService() = default;

    // Shows the open dialog for `record`, modal to its owner, and returns once it is
    // closed. (Not named GetOpenFileName: windows.h makes that a macro.)
    // True when the user confirmed a file: lpstrFile then holds its full path closed
    // by NUL and padded with NULs to nMaxFile, and nFileOffset where its name begins.
    // False when the user cancelled, when the dialog failed, when the chosen path has
    // nMaxFile characters or more (no room for its NUL; where the call takes narrow
    // text, as on Windows, the narrow characters count); the record's texts are then
    // not to be relied on. Nothing is shown to the user on failure. Like the system's dialog
    // without kOfnNoChangeDir, a confirmed choice leaves the process's current folder
    // at the file's folder.
    virtual bool Show(OpenFileRecord& record) = 0;

    // The separator between folder and name in the paths the dialog returns and in
    // the process's current folder: '\' on Windows, '/' on POSIX.
    virtual wchar_t PathSeparator() const = 0;
};

}  // namespace ks
