// The installed printers from cupsGetDests2, and the default printer.
#include "platform/cups/cups_printers.h"

#include <cups/cups.h>

#include "platform/text.h"

namespace ks {

namespace {

std::wstring DestName(const cups_dest_t& dest) {
    std::string name = dest.name;
    if (dest.instance != nullptr) {
        name += '/';
        name += dest.instance;
    }
    return FromNative(name);
}

// Calls visit for each destination while it returns true; the list is freed after.
template <typename Visit>
void ForEachDest(Visit visit) {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i) {
        if (!visit(dests[i]))
            break;
    }
    cupsFreeDests(count, dests);
}

}  // namespace

std::vector<std::wstring> CupsPrinters::List() {
    std::vector<std::wstring> names;
    ForEachDest([&](const cups_dest_t& dest) {
        names.push_back(DestName(dest));
        return true;
    });
    return names;
}

std::optional<std::wstring> CupsPrinters::SystemDefault() {
    // Asking for the default alone answers the same question as the whole list's
    // is_default mark (the user's lpoptions, LPDEST and PRINTER, then the scheduler's
    // default) in a small fraction of the list's time.
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (dest == nullptr)
        return std::nullopt;
    std::wstring name = DestName(*dest);
    cupsFreeDests(1, dest);
    return name;
}

}  // namespace ks
