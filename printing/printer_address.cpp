// Printer names that are network addresses: socket://HOST[:PORT], ipp://HOST[:PORT]/PATH, ipps://...
#include "printing/printer_address.h"

#include <array>
#include <cwctype>

namespace ks {

namespace {

struct SchemeInfo {
    const wchar_t* prefix;
    PrinterAddress::Scheme scheme;
    std::uint16_t port;
};

constexpr std::array<SchemeInfo, 3> kSchemes{{
    {L"socket://", PrinterAddress::Scheme::Socket, 9100},
    {L"ipp://", PrinterAddress::Scheme::Ipp, 631},
    {L"ipps://", PrinterAddress::Scheme::Ipps, 631},
}};

const SchemeInfo* SchemeOf(const std::wstring& name) {
    for (const SchemeInfo& info : kSchemes) {
        const std::wstring prefix = info.prefix;
        if (name.size() < prefix.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < prefix.size() && same; ++i)
            same = static_cast<wchar_t>(std::towlower(name[i])) == prefix[i];
        if (same)
            return &info;
    }
    return nullptr;
}

// Visible ASCII: what a host name, a port or a path may hold. Anything else (a space, a
// control character, a letter outside ASCII) would be cut, changed or misread on the
// way to the network.
bool Visible(wchar_t c) { return c > L' ' && c < 0x7f; }

bool HostCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'.' || c == L'_';
}

AddressParse Invalid(std::wstring trouble) {
    AddressParse parse;
    parse.kind = AddressParse::Kind::Invalid;
    parse.trouble = std::move(trouble);
    return parse;
}

std::optional<std::uint16_t> Port(const std::wstring& text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

bool LooksLikeAddress(const std::wstring& name) { return SchemeOf(name) != nullptr; }

std::wstring ShownAsData(const std::wstring& name) {
    static constexpr wchar_t kHex[] = L"0123456789abcdef";
    std::wstring shown;
    for (wchar_t c : name) {
        const auto code = static_cast<std::uint32_t>(c);
        if (c == L'\n') {
            shown += L"\\n";
        } else if (code < 0x20 || code == 0x7f || (code >= 0x80 && code < 0xa0)) {
            shown += {L'\\', L'x', kHex[(code >> 4) & 0xf], kHex[code & 0xf]};
        } else if (code == 0x2028 || code == 0x2029) {
            shown += L"\\u202";
            shown += kHex[code & 0xf];
        } else {
            shown += c;
        }
    }
    return shown;
}

AddressParse ParsePrinterAddress(const std::wstring& name) {
    const SchemeInfo* info = SchemeOf(name);
    if (info == nullptr)
        return {};
    const std::wstring rest = name.substr(std::wstring(info->prefix).size());
    for (wchar_t c : rest) {
        if (!Visible(c))
            return Invalid(L"an address holds no spaces, control characters or letters outside ASCII");
    }
    const size_t path_at = rest.find(L'/');
    const std::wstring authority = rest.substr(0, path_at);
    const std::wstring path = path_at == std::wstring::npos ? L"" : rest.substr(path_at);

    PrinterAddress address;
    address.scheme = info->scheme;
    address.port = info->port;
    if (authority.find(L'@') != std::wstring::npos)
        return Invalid(L"an address takes no user name");
    std::wstring port_text;
    bool has_port = false;
    if (!authority.empty() && authority.front() == L'[') {
        const size_t close = authority.find(L']');
        if (close == std::wstring::npos)
            return Invalid(L"the IPv6 address has no closing bracket");
        address.host = authority.substr(1, close - 1);
        for (wchar_t c : address.host) {
            if (!std::iswxdigit(c) && c != L':' && c != L'.')
                return Invalid(L"the IPv6 address in brackets is not one");
        }
        const std::wstring after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != L':')
                return Invalid(L"only a port may follow the IPv6 address");
            has_port = true;
            port_text = after.substr(1);
        }
    } else {
        const size_t colon = authority.find(L':');
        address.host = authority.substr(0, colon);
        if (colon != std::wstring::npos) {
            has_port = true;
            port_text = authority.substr(colon + 1);
        }
        for (wchar_t c : address.host) {
            if (!HostCharacter(c))
                return Invalid(L"the host name may hold only letters, digits, '-', '.' and '_'");
        }
    }
    if (address.host.empty())
        return Invalid(L"the address names no host");
    if (has_port) {
        const std::optional<std::uint16_t> port = Port(port_text);
        if (!port)
            return Invalid(L"the port must be a number from 1 to 65535");
        address.port = *port;
    }
    if (info->scheme == PrinterAddress::Scheme::Socket) {
        if (!path.empty() && path != L"/")
            return Invalid(L"a socket:// address takes no path");
    } else {
        if (path.size() < 2)
            return Invalid(L"an IPP address needs the printer's path, as in ipp://HOST/ipp/print");
        address.path = path;
    }
    AddressParse parse;
    parse.kind = AddressParse::Kind::Address;
    parse.address = std::move(address);
    return parse;
}

}  // namespace ks
