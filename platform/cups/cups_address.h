// Printing through libcups to an IPP address (ipp://HOST[:PORT]/PATH, ipps://...) instead of a queue.
#pragma once

#include <cups/cups.h>

#include <memory>
#include <optional>
#include <string>

#include "common/spooler_errors.h"
#include "platform/cups/cups_scheduler.h"

namespace ks {

// An IPP printer or print server opened by its address: the server, reached with the
// same deadlines as the scheduler (a CupsScheduler of its own, so that a later cancel
// goes to that server too), one connection to it, the destination libcups made from the
// address and the printer's description. The caller owns `dest` (cupsFreeDests) and
// `info` (cupsFreeDestInfo).
struct IppAddressPrinter {
    std::shared_ptr<CupsScheduler> server;
    std::unique_ptr<SchedulerConnection> connection;
    cups_dest_t* dest = nullptr;
    cups_dinfo_t* info = nullptr;
};

// Whether `name` (the locale's bytes) starts with ipp:// or ipps://, in any letter case.
bool IsIppAddress(const std::string& name);

// Connects to the server the address names (ipps: encrypted, its certificate checked as
// libcups checks it by default) within the lookup deadline and asks the printer to
// describe itself. nullopt, with the reason in `errors`, when it cannot be reached or
// does not answer as an IPP printer.
std::optional<IppAddressPrinter> OpenIppAddress(const std::string& uri, const SpoolerDeadlines& deadlines,
                                                SpoolerErrors& errors);

}  // namespace ks
