// Raw print jobs through the Windows print spooler's ANSI entry points.
#pragma once

#include "platform/spooler.h"

namespace ks::win32 {

// OpenPrinterA without defaults; each printer it opens reports failures back here
// so that LastError has the spooler's words for the last one. The spooler outlives
// the printers it opens. (No windows.h here: its winspool.h renames OpenPrinter.)
class Win32Spooler : public Spooler {
public:
    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;
    std::wstring LastError() override;

private:
    unsigned long last_error_ = 0;  // a Win32 error code (DWORD)
};

}  // namespace ks::win32
