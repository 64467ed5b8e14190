// Raw jobs straight to a printer's AppSocket port (socket://HOST[:PORT]), with the spooler's deadlines.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "common/deadlines.h"
#include "common/spooler_errors.h"
#include "platform/network.h"
#include "platform/spooler.h"

namespace ks {

// Opening connects (the lookup of the host and the connect together within `lookup`),
// so that a refused or unreachable address is refused at the open. The document is the
// stream itself: each write waits at most `stalled_send` for the printer to take a
// byte; EndDoc half-closes and waits (at most kFinishWait) for the printer to close its
// side. The document counts as delivered only when the printer took every byte and the
// connection ended cleanly. Abort, and a cancel, reset the connection; the bytes the
// printer already took cannot be taken back, and LastError says how many they were.
// Pages and data types mean nothing here: StartPage and EndPage succeed.
class SocketSpooler : public Spooler {
public:
    static constexpr std::chrono::milliseconds kFinishWait{10'000};

    SocketSpooler(Network& network, SpoolerDeadlines deadlines);

    // `address` is a socket:// address (printing/printer_address.h); anything else is refused.
    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& address) override;
    std::wstring LastError() override;

private:
    Network& network_;
    SpoolerDeadlines deadlines_;
    std::shared_ptr<SpoolerErrors> errors_;
};

}  // namespace ks
