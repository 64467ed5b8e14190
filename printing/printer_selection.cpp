// The program's current printer: the system default at start, changed only by Select.
#include "printing/printer_selection.h"

namespace ks {

PrinterSelection::PrinterSelection(InstalledPrinters& printers)
    : printers_(printers), current_(printers.SystemDefault()) {}

bool PrinterSelection::Select(const std::wstring& name) {
    // Asked about that one name: reading the whole list here would make every print cost
    // as much as the number of queues on the scheduler.
    if (printers_.Has(name) != true)
        return false;
    current_ = name;
    return true;
}

}  // namespace ks
