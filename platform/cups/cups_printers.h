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

    // The queues' names and the instances the user's and the system's lpoptions define,
    // in the order and form of cupsGetDests2, from one request for the names alone.
    std::vector<std::wstring> List() override;
    // One request about that queue, whose name must match exactly.
    std::optional<bool> Has(const std::wstring& device_name) override;
    std::optional<std::wstring> SystemDefault() override;
    std::wstring LastError() override { return last_error_; }

private:
    // Why a request on `connection` brought no usable answer, led by `what`: the
    // connection's trouble, or else the scheduler's HTTP or IPP status and its words.
    std::wstring Unanswered(const SchedulerConnection& connection, const std::wstring& what);

    std::shared_ptr<CupsScheduler> scheduler_;
    std::wstring last_error_;
};

}  // namespace ks
