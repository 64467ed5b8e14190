// Sends a job for a printer address to the spooler that handles it, and every queue's job to the platform's.
#include "printing/address_routing.h"

#include "printing/printer_address.h"

namespace ks {

AddressRoutingSpooler::AddressRoutingSpooler(Spooler& queues, InstalledPrinters& printers,
                                             Spooler& sockets, bool queues_take_ipp)
    : queues_(queues), printers_(printers), sockets_(sockets), queues_take_ipp_(queues_take_ipp) {}

std::unique_ptr<SpoolerPrinter> AddressRoutingSpooler::OpenPrinter(const std::wstring& device_name) {
    refusal_.Clear();
    last_ = &queues_;
    if (!LooksLikeAddress(device_name) || printers_.Has(device_name).value_or(false))
        return queues_.OpenPrinter(device_name);
    const AddressParse parse = ParsePrinterAddress(device_name);
    if (parse.kind == AddressParse::Kind::Invalid) {
        last_ = nullptr;
        refusal_.Failed(L"\"" + ShownAsData(device_name) + L"\" is not a printer address: " + parse.trouble);
        return nullptr;
    }
    if (parse.address.scheme == PrinterAddress::Scheme::Socket) {
        last_ = &sockets_;
        return sockets_.OpenPrinter(device_name);
    }
    if (queues_take_ipp_)
        return queues_.OpenPrinter(device_name);
    last_ = nullptr;
    refusal_.Failed(L"cannot print to " + device_name +
                    L": only socket:// addresses work on Windows (ipp:// and ipps:// need an "
                    L"installed printer)");
    return nullptr;
}

std::wstring AddressRoutingSpooler::LastError() {
    return last_ != nullptr ? last_->LastError() : refusal_.Text();
}

}  // namespace ks
