// Installed printers and the system default printer, as the platform lists them.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace ks {

class InstalledPrinters {
public:
    virtual ~InstalledPrinters() = default;

    // Device names of the installed printers, in the order the platform gives them.
    // Duplicates are kept and nothing is sorted. Empty when no printer is installed
    // or the list cannot be read.
    virtual std::vector<std::wstring> List() = 0;

    // Whether an installed printer has exactly this device name (case-sensitive, untrimmed),
    // asking the platform about that one printer where it can: a command-line run never
    // needs the whole list. nullopt when the platform could not be asked; LastError says why.
    virtual std::optional<bool> Has(const std::wstring& device_name) {
        const std::vector<std::wstring> names = List();
        if (names.empty() && !LastError().empty())
            return std::nullopt;
        return std::find(names.begin(), names.end(), device_name) != names.end();
    }

    // Device name of the system default printer; nullopt when there is none or it
    // cannot be asked.
    virtual std::optional<std::wstring> SystemDefault() = 0;

    // Why the last List, Has or SystemDefault came back empty when the platform could not be
    // asked (rather than having nothing to give), in words for a detail line; "" when
    // it answered.
    virtual std::wstring LastError() = 0;
};

}  // namespace ks
