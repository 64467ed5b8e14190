// The program's current printer: the system default at start, changed only by Select.
#include "printing/printer_selection.h"

namespace ks {

PrinterSelection::PrinterSelection(InstalledPrinters& printers)
    : printers_(printers), current_(printers.SystemDefault()) {}

bool PrinterSelection::Select(const std::wstring& name) {
    for (const std::wstring& device : printers_.List()) {
        if (device == name) {
            current_ = device;
            return true;
        }
    }
    return false;
}

}  // namespace ks
