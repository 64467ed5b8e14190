// The installed printers: their names from one light request, the default and a single printer asked for alone.
#include "platform/cups/cups_printers.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>

#include "platform/text.h"

namespace ks {

namespace {

using Trouble = SchedulerConnection::Trouble;

std::wstring DestName(const cups_dest_t& dest) {
    std::string name = dest.name;
    if (dest.instance != nullptr) {
        name += '/';
        name += dest.instance;
    }
    return FromNative(name);
}

bool Succeeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

// The URI the scheduler knows a queue by; a socket path is no host name, and the
// scheduler behind it is local.
std::string QueueUri(const std::string& printer) {
    const char* server = cupsServer();
    const char* host = server == nullptr || *server == '/' ? "localhost" : server;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, host, ippPort(),
                     "/printers/%s", printer.c_str());
    return uri;
}

// A named destination as lpoptions files write it: "name" or "name/instance".
struct Entry {
    std::string name;
    std::string instance;  // "" for the queue itself
};

// The order cupsGetDests gives: names, then instances, without regard to ASCII case,
// the queue itself before its instances.
bool ListedBefore(const Entry& a, const Entry& b) {
    if (const int by_name = strcasecmp(a.name.c_str(), b.name.c_str()); by_name != 0)
        return by_name < 0;
    return strcasecmp(a.instance.c_str(), b.instance.c_str()) < 0;
}

bool SameEntry(const Entry& a, const Entry& b) { return !ListedBefore(a, b) && !ListedBefore(b, a); }

// The instances that an lpoptions file defines ("Dest name/instance options" and
// "Default name/instance options" lines). Only the whole-list call of libcups reads these
// files, and it fetches some thirty attributes of every queue to do it; the file format
// is the one lpoptions(1) documents.
void AddInstances(const std::string& path, std::vector<Entry>& found) {
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string keyword;
        std::string dest;
        if (!(words >> keyword >> dest))
            continue;
        if (strcasecmp(keyword.c_str(), "Dest") != 0 && strcasecmp(keyword.c_str(), "Default") != 0)
            continue;
        const size_t slash = dest.find('/');
        if (slash != std::string::npos && slash + 1 < dest.size())
            found.push_back({dest.substr(0, slash), dest.substr(slash + 1)});
    }
}

std::vector<Entry> LpoptionsInstances() {
    std::vector<Entry> instances;
    const char* server_root = std::getenv("CUPS_SERVERROOT");
    AddInstances(std::string(server_root != nullptr ? server_root : "/etc/cups") + "/lpoptions", instances);
    if (const char* home = std::getenv("HOME"))
        AddInstances(std::string(home) + "/.cups/lpoptions", instances);
    return instances;
}

}  // namespace

CupsPrinters::CupsPrinters() : CupsPrinters(CupsScheduler::Shared()) {}

CupsPrinters::CupsPrinters(std::shared_ptr<CupsScheduler> scheduler)
    : scheduler_(std::move(scheduler)) {}

std::wstring CupsPrinters::Unanswered(const SchedulerConnection& connection, const std::wstring& what) {
    if (auto failure = scheduler_->LookupFailure(connection))
        return *failure;
    std::wstring words = what + L": the scheduler at " + scheduler_->Address() + L" answered ";
    const http_status_t http_status = httpGetStatus(connection.http());
    if (http_status != HTTP_STATUS_OK && http_status != HTTP_STATUS_NONE) {
        // A web server or proxy in the scheduler's place, or a scheduler in trouble.
        words += L"HTTP " + std::to_wstring(static_cast<int>(http_status)) + L" (" +
                 FromNative(httpStatus(http_status)) + L")";
        return words;
    }
    words += FromNative(ippErrorString(cupsLastError()));
    const char* said = cupsLastErrorString();
    if (said != nullptr && *said != '\0')
        words += L"\nthe scheduler said: " + FromNative(said);
    return words;
}

std::vector<std::wstring> CupsPrinters::List() {
    last_error_.clear();
    const auto connection = scheduler_->Connect(last_error_);
    if (!connection)
        return {};
    // The names alone: the box shows nothing else, and every further attribute of every
    // queue costs reads that add up to seconds on a scheduler with thousands of queues.
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t* response = cupsDoRequest(connection->http(), request, "/");
    const ipp_status_t status = cupsLastError();
    std::vector<Entry> entries;
    for (ipp_attribute_t* attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME); attr != nullptr;
         attr = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME)) {
        if (const char* name = ippGetString(attr, 0, nullptr))
            entries.push_back({name, ""});
    }
    ippDelete(response);
    // A scheduler without queues answers that it found none.
    const bool none = status == IPP_STATUS_ERROR_NOT_FOUND &&
                      httpGetStatus(connection->http()) == HTTP_STATUS_OK;
    if (connection->What() != Trouble::None || (!Succeeded(status) && !none)) {
        last_error_ = Unanswered(*connection, L"the printer list could not be read");
        return {};
    }
    const size_t queues = entries.size();
    for (Entry& instance : LpoptionsInstances()) {
        // An instance of a queue the scheduler does not have is not listed.
        const bool known = std::any_of(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(queues),
                                       [&](const Entry& queue) { return strcasecmp(queue.name.c_str(), instance.name.c_str()) == 0; });
        if (known)
            entries.push_back(std::move(instance));
    }
    std::stable_sort(entries.begin(), entries.end(), ListedBefore);
    entries.erase(std::unique(entries.begin(), entries.end(), SameEntry), entries.end());
    std::vector<std::wstring> names;
    names.reserve(entries.size());
    for (const Entry& entry : entries)
        names.push_back(FromNative(entry.instance.empty() ? entry.name : entry.name + "/" + entry.instance));
    return names;
}

std::optional<bool> CupsPrinters::Has(const std::wstring& device_name) {
    last_error_.clear();
    const std::string name = ToNative(device_name);
    // No queue has an empty name, and a NUL would cut the name short.
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    // Queue names hold no slash: this names an instance, which only the user's and the
    // system's lpoptions define, and the list reads those.
    if (name.find('/') != std::string::npos)
        return InstalledPrinters::Has(device_name);

    const auto connection = scheduler_->Connect(last_error_);
    if (!connection)
        return std::nullopt;
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, QueueUri(name).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t* response = cupsDoRequest(connection->http(), request, "/");
    const ipp_status_t status = cupsLastError();
    std::optional<bool> found;
    if (connection->What() == Trouble::None && response != nullptr && Succeeded(status)) {
        // The scheduler finds queues without regard to case; device names are exact.
        const char* listed = ippGetString(ippFindAttribute(response, "printer-name", IPP_TAG_NAME), 0, nullptr);
        found = listed != nullptr && name == listed;
    } else if (connection->What() == Trouble::None && status == IPP_STATUS_ERROR_NOT_FOUND &&
               httpGetStatus(connection->http()) == HTTP_STATUS_OK) {
        // The scheduler's own answer; a 404 from whatever answers in its place is no answer.
        found = false;
    }
    ippDelete(response);
    if (!found)
        last_error_ = Unanswered(*connection, L"the printer \"" + device_name + L"\" could not be looked up");
    return found;
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
