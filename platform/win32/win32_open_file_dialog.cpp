// The open-file dialog on Windows: comdlg32's GetOpenFileNameA given the program's record.
#include "platform/win32/win32_open_file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text.h"

namespace ks::win32 {

static_assert(kOfnHideReadOnly == OFN_HIDEREADONLY && kOfnNoChangeDir == OFN_NOCHANGEDIR &&
              kOfnPathMustExist == OFN_PATHMUSTEXIST && kOfnFileMustExist == OFN_FILEMUSTEXIST);

namespace {

const char* TextOrNone(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// Bytes for `characters` characters in the ANSI code page, within what the record's
// 16-bit offsets can address.
DWORD NarrowCapacity(DWORD characters) {
    CPINFO info{};
    const DWORD per_character = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 1;
    return std::min<DWORD>(characters * per_character, 0xFFFF);
}

}  // namespace

bool Win32OpenFileDialog::Show(OpenFileRecord& record) {
    // Every text the call reads, in the ANSI code page; they live until the call returns.
    const std::string filter = ToNative(record.lpstrFilter);  // its NULs are kept
    const std::string initial_dir = ToNative(record.lpstrInitialDir);
    const std::string title = ToNative(record.lpstrTitle);
    const std::string default_extension = ToNative(record.lpstrDefExt);
    const std::string initial_name =
        ToNative(std::wstring_view(record.lpstrFile).substr(0, record.lpstrFile.find(L'\0')));
    // The ANSI call counts its buffer in bytes, and in a multi-byte code page (UTF-8,
    // 932) a character takes up to MaxCharSize of them: the narrow buffer holds
    // nMaxFile characters of the longest kind, as far as the record's 16-bit offsets
    // reach (64 KiB, which any path the ANSI dialog can show fits). One byte more than
    // the dialog is told keeps an initial name of the full length closed by NUL.
    const DWORD capacity = NarrowCapacity(record.nMaxFile);
    if (initial_name.size() > capacity)
        return false;
    std::vector<char> file(capacity + 1, '\0');
    initial_name.copy(file.data(), initial_name.size());

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // RecordForm::Version400
    ofn.hwndOwner = static_cast<HWND>(record.hwndOwner);
    ofn.hInstance = static_cast<HINSTANCE>(record.hInstance);
    ofn.lpstrFilter = TextOrNone(filter);
    ofn.nFilterIndex = record.nFilterIndex;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = capacity;
    ofn.lpstrInitialDir = TextOrNone(initial_dir);
    ofn.lpstrTitle = TextOrNone(title);
    ofn.Flags = record.Flags;
    ofn.nFileOffset = record.nFileOffset;
    ofn.nFileExtension = record.nFileExtension;
    ofn.lpstrDefExt = TextOrNone(default_extension);
    ofn.lCustData = static_cast<LPARAM>(record.lCustData);
    // Cancel, or a dialog that failed: the program asks no further.
    if (!GetOpenFileNameA(&ofn))
        return false;

    const std::string path(file.data());
    // The offsets count narrow characters; in a multi-byte code page the wide path is
    // shorter, so each is measured again on the converted text before it.
    const auto wide_offset = [&path](WORD narrow) {
        return static_cast<std::uint16_t>(FromNative(std::string_view(path).substr(0, narrow)).size());
    };
    const std::wstring wide_path = FromNative(path);
    // The record's own limit, nMaxFile characters with the closing NUL, ends like Cancel.
    if (ofn.nFileOffset > path.size() || wide_path.empty() || wide_path.size() >= record.nMaxFile)
        return false;
    record.lpstrFile = wide_path;
    record.lpstrFile.resize(record.nMaxFile, L'\0');
    record.nFileOffset = wide_offset(ofn.nFileOffset);
    record.nFileExtension = wide_offset(static_cast<WORD>(std::min<std::size_t>(ofn.nFileExtension, path.size())));
    return true;
}

}  // namespace ks::win32
