// Printing through libcups to an IPP address (ipp://HOST[:PORT]/PATH, ipps://...) instead of a queue.
#include "platform/cups/cups_address.h"

#include <strings.h>

#include "platform/text.h"

namespace ks {

bool IsIppAddress(const std::string& name) {
    return strncasecmp(name.c_str(), "ipp://", 6) == 0 || strncasecmp(name.c_str(), "ipps://", 7) == 0;
}

std::optional<IppAddressPrinter> OpenIppAddress(const std::string& uri, const SpoolerDeadlines& deadlines,
                                                SpoolerErrors& errors) {
    char scheme[32];
    char user[256];
    char host[256];
    char resource[1024];
    int port = 0;
    const std::wstring shown = FromNative(uri);
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, user, sizeof user,
                        host, sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
        errors.Failed(L"\"" + shown + L"\" is not a printer address libcups can read");
        return std::nullopt;
    }
    const bool encrypted = strcasecmp(scheme, "ipps") == 0;
    IppAddressPrinter printer;
    printer.server = std::make_shared<CupsScheduler>(
        deadlines, host, port, encrypted ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED);
    std::wstring why;
    printer.connection = printer.server->Connect(why);
    if (!printer.connection) {
        errors.Failed(std::move(why));
        return std::nullopt;
    }
    printer.dest = cupsGetDestWithURI(nullptr, uri.c_str());
    if (printer.dest != nullptr)
        printer.info = cupsCopyDestInfo(printer.connection->http(), printer.dest);
    if (printer.info == nullptr) {
        if (std::optional<std::wstring> failure = printer.server->LookupFailure(*printer.connection))
            errors.Failed(std::move(*failure));
        else
            errors.Failed(L"the printer at " + shown + L" did not describe itself");
        const char* said = cupsLastErrorString();
        if (said != nullptr && *said != '\0')
            errors.Add(L"the printer said: " + FromNative(said));
        if (printer.dest != nullptr)
            cupsFreeDests(1, printer.dest);
        return std::nullopt;
    }
    return printer;
}

}  // namespace ks
