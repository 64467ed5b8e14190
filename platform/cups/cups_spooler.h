// Raw print jobs through the CUPS scheduler's destination API.
#pragma once

#include <memory>
#include <string>

#include "platform/spooler.h"

namespace ks {

// Talks to the scheduler that CUPS_SERVER (or the client configuration) names; each open
// printer holds a connection of its own for the life of its job.
//
// A document always travels in the raw format "application/vnd.cups-raw", whatever
// data type the DocInfo names, so that a queue with a driver passes the bytes on
// unchanged and nothing is ever auto-typed. CUPS has no output file per job: an
// output file in the DocInfo is not honoured. Pages have no CUPS counterpart:
// StartPage and EndPage succeed. A document of zero bytes, which CUPS refuses, is
// cancelled at EndDoc, so no job is left waiting, and EndDoc reports success.
class CupsSpooler : public Spooler {
public:
    CupsSpooler();

    // Refuses names CUPS does not know and queues that do not accept jobs.
    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;

    // The scheduler's words for the last failure of this spooler or its printers.
    std::wstring LastError() override;

private:
    std::shared_ptr<std::string> last_error_;
};

}  // namespace ks
