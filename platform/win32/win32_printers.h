// Installed printers and the default printer from the Windows print spooler.
#pragma once

#include <string>
#include <vector>

#include "platform/printers.h"

namespace ks::win32 {

// EnumPrintersA over local printers and connections, in the spooler's order;
// GetDefaultPrinterA for the default.
// The level-4 enumeration reads the spooler's own list without asking any printer, so
// Has uses it too; a run enumerates once: Has trusts a name the last list held and asks
// again only for a name it did not hold (a printer installed since).
class Win32Printers : public InstalledPrinters {
public:
    std::vector<std::wstring> List() override;
    std::optional<bool> Has(const std::wstring& device_name) override;
    std::optional<std::wstring> SystemDefault() override;
    std::wstring LastError() override { return last_error_; }

private:
    std::wstring last_error_;
    std::vector<std::wstring> listed_;  // what the last List gave
};

}  // namespace ks::win32
