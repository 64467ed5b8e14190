// Installed printers and the default printer from the Windows print spooler.
#pragma once

#include <string>

#include "platform/printers.h"

namespace ks::win32 {

// EnumPrintersA over local printers and connections, in the spooler's order;
// GetDefaultPrinterA for the default.
class Win32Printers : public InstalledPrinters {
public:
    std::vector<std::wstring> List() override;
    std::optional<std::wstring> SystemDefault() override;
    std::wstring LastError() override { return last_error_; }

private:
    std::wstring last_error_;
};

}  // namespace ks::win32
