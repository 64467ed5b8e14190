// The installed printers and the system default printer, as the CUPS scheduler lists them.
#pragma once

#include "platform/printers.h"

namespace ks {

// Asks the scheduler that CUPS_SERVER (or the client configuration) names, on each call.
// A destination with an instance is listed as "name/instance", the form CUPS's own tools
// accept, so that CupsSpooler opens exactly the entry that was listed.
class CupsPrinters : public InstalledPrinters {
public:
    std::vector<std::wstring> List() override;
    std::optional<std::wstring> SystemDefault() override;
};

}  // namespace ks
