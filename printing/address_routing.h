// Sends a job for a printer address to the spooler that handles it, and every queue's job to the platform's.
#pragma once

#include <memory>
#include <string>

#include "common/spooler_errors.h"
#include "platform/printers.h"
#include "platform/spooler.h"

namespace ks {

// A Spooler that looks at each name it is asked to open:
// - an installed printer with exactly that name is opened by `queues`, whatever it looks like;
// - a socket:// address goes to `sockets`;
// - an ipp:// or ipps:// address goes to `queues` when `queues_take_ipp` (libcups prints
//   to an IPP address as to a queue), else it is refused, and LastError says that only
//   socket:// addresses work here;
// - a name with an address's scheme that is no valid address is refused, with the reason;
// - any other name goes to `queues`.
// When the installed printers cannot be asked, an address is taken as an address.
// LastError is the account of the spooler that opened (or refused) last.
class AddressRoutingSpooler : public Spooler {
public:
    AddressRoutingSpooler(Spooler& queues, InstalledPrinters& printers, Spooler& sockets,
                          bool queues_take_ipp);

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;
    std::wstring LastError() override;

private:
    Spooler& queues_;
    InstalledPrinters& printers_;
    Spooler& sockets_;
    const bool queues_take_ipp_;
    Spooler* last_ = nullptr;  // nullptr: the refusal is this spooler's own
    SpoolerErrors refusal_;
};

}  // namespace ks
