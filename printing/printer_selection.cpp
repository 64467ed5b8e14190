// The program's current printer: the system default at start, changed only by Select.
#include "printing/printer_selection.h"

namespace ks {

PrinterSelection::PrinterSelection(InstalledPrinters& printers) : printers_(printers) {}

const std::optional<std::wstring>& PrinterSelection::Current() const {
    // Asked when first needed: a run that selects its printer straight away never waits
    // for the system default.
    if (!known_) {
        current_ = printers_.SystemDefault();
        known_ = true;
    }
    return current_;
}

bool PrinterSelection::Select(const std::wstring& name) {
    // Asked about that one name: reading the whole list here would make every print cost
    // as much as the number of queues on the scheduler.
    if (printers_.Has(name) != true)
        return false;
    current_ = name;
    known_ = true;
    return true;
}

}  // namespace ks
