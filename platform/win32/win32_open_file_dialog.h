// The open-file dialog on Windows: comdlg32's GetOpenFileNameA given the program's record.
#pragma once

#include "platform/open_file_dialog.h"

namespace ks::win32 {

// Hands the record to GetOpenFileNameA in the record's older form, every text in the
// ANSI code page, and converts the answer back. The owner is an HWND (or null). An
// empty initial folder, title or default extension reaches the call as no text at all.
class Win32OpenFileDialog : public OpenFileDialogService {
public:
    bool Show(OpenFileRecord& record) override;
    wchar_t PathSeparator() const override { return L'\\'; }
};

}  // namespace ks::win32
