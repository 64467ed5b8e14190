// The program's current printer: the system default at start, changed only by Select.
#pragma once

#include <optional>
#include <string>

#include "platform/printers.h"

namespace ks {

class PrinterSelection {
public:
    explicit PrinterSelection(InstalledPrinters& printers);

    // Makes the installed printer whose device name equals `name` exactly
    // (case-sensitive, untrimmed) the current printer, asking the platform about that
    // name alone. False, and no change, when none does or the platform could not be
    // asked; the printers' LastError then tells the two apart ("" when none does).
    bool Select(const std::wstring& name);

    // Makes a printer that was current before current again, without asking the
    // platform: it was an installed printer a moment ago.
    void Restore(const std::optional<std::wstring>& previous) {
        current_ = previous;
        known_ = true;
    }

    // The current printer's device name; nullopt when no printer is installed. Until a
    // printer is selected, the system default, asked of the platform the first time.
    const std::optional<std::wstring>& Current() const;

private:
    InstalledPrinters& printers_;
    mutable std::optional<std::wstring> current_;
    mutable bool known_ = false;
};

}  // namespace ks
