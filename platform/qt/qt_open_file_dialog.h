// The open-file dialog with Qt: a QFileDialog given the program's record, answering as the Windows dialog does.
#pragma once

#include "platform/open_file_dialog.h"

namespace ks {

// Needs a running QApplication; without one no dialog opens and the answer is false.
// The dialog is Qt's own widget dialog, not the desktop's, so that it behaves the same
// everywhere and can be driven in tests. The record's owner is a QWidget* (or null).
// Each filter pattern "*.*" is shown as "*": on Windows it matches every name, dotted
// or not, and the open dialog's "All" must list files without an extension too.
class QtOpenFileDialog : public OpenFileDialogService {
public:
    bool Show(OpenFileRecord& record) override;
    wchar_t PathSeparator() const override { return L'/'; }
};

}  // namespace ks
