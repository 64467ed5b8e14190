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

}  // namespace

CupsPrinters::CupsPrinters() : CupsPrinters(CupsScheduler::Shared()) {}

CupsPrinters::CupsPrinters(std::shared_ptr<CupsScheduler> scheduler)
    : scheduler_(std::move(scheduler)) {}

std::vector<std::wstring> CupsPrinters::List() {
    last_error_.clear();
    const auto connection = scheduler_->Connect(last_error_);
    if (!connection)
        return {};
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(connection->http(), &dests);
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i)
        names.push_back(DestName(dests[i]));
    cupsFreeDests(count, dests);
    if (count == 0) {
        if (auto failure = scheduler_->LookupFailure(*connection))
            last_error_ = std::move(*failure);
    }
    return names;
}

std::optional<std::wstring> CupsPrinters::SystemDefault() {
    last_error_.clear();
    const auto connection = scheduler_->Connect(last_error_);
    if (!connection)
        return std::nullopt;
    // Asking for the default alone answers the same question as the whole list's
    // is_default mark (the user's lpoptions, LPDEST and PRINTER, then the scheduler's
    // default) in a small fraction of the list's time.
    cups_dest_t* dest = cupsGetNamedDest(connection->http(), nullptr, nullptr);
    if (dest == nullptr) {
        if (auto failure = scheduler_->LookupFailure(*connection))
            last_error_ = std::move(*failure);
        return std::nullopt;
    }
    std::wstring name = DestName(*dest);
    cupsFreeDests(1, dest);
    return name;
}

}  // namespace ks
