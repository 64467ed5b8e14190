// The installed printers and the system default printer, as the CUPS scheduler lists them.
#pragma once

#include <memory>

#include "platform/cups/cups_scheduler.h"
#include "platform/printers.h"

namespace ks {

// Asks the scheduler that CUPS_SERVER (or the client configuration) names, on each call,
// and waits for its answer no longer than its deadlines allow. A destination with an
// instance is listed as "name/instance", the form CUPS's own tools accept, so that
// CupsSpooler opens exactly the entry that was listed.
class CupsPrinters : public InstalledPrinters {
public:
    CupsPrinters();  // the shared scheduler
    explicit CupsPrinters(std::shared_ptr<CupsScheduler> scheduler);

    std::vector<std::wstring> List() override;
    std::optional<std::wstring> SystemDefault() override;
    std::wstring LastError() override { return last_error_; }

private:
    std::shared_ptr<CupsScheduler> scheduler_;
    std::wstring last_error_;
};

}  // namespace ks
