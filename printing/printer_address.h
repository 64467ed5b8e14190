// Printer names that are network addresses: socket://HOST[:PORT], ipp://HOST[:PORT]/PATH, ipps://...
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ks {

struct PrinterAddress {
    enum class Scheme { Socket, Ipp, Ipps };
    Scheme scheme = Scheme::Socket;
    std::wstring host;        // an IPv6 address without its brackets
    std::uint16_t port = 0;   // the scheme's port when the address names none
    std::wstring path;        // "/..." for ipp and ipps; "" for socket
};

// What a printer name is: no address (the name of a queue), an address, or a name that
// starts with an address's scheme but cannot be one (then `trouble` says why, in words
// for a detail line).
struct AddressParse {
    enum class Kind { NotAnAddress, Address, Invalid };
    Kind kind = Kind::NotAnAddress;
    PrinterAddress address;
    std::wstring trouble;
};

// Reads `name` as an address when it starts with "socket://", "ipp://" or "ipps://"
// (the scheme in any letter case). AppSocket's port is 9100 and IPP's 631 when none is
// given. The host is a name or an IPv4 address of printable ASCII, or an IPv6 address
// in brackets; no user name, no spaces or control characters anywhere. A socket address
// has no path (a lone "/" is allowed); an IPP address must have one.
AddressParse ParsePrinterAddress(const std::wstring& name);

// Whether `name` starts with one of the address schemes, valid or not: such a name is
// never looked up as a queue's name only.
bool LooksLikeAddress(const std::wstring& name);

// `name` for a detail line, as data: control characters (line breaks among them) and
// Unicode's line and paragraph separators become visible escapes ("\n", "\x1b",
// "\u2028"), so a name can neither split the line nor drive the terminal.
std::wstring ShownAsData(const std::wstring& name);

}  // namespace ks
