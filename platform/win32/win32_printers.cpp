// Installed printers and the default printer from the Windows print spooler.
#include "platform/win32/win32_printers.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "platform/win32/error_text.h"

namespace ks::win32 {

std::vector<std::wstring> Win32Printers::List() {
    last_error_.clear();
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    std::vector<BYTE> buffer;
    DWORD needed = 0;
    DWORD returned = 0;
    bool listed = false;
    // A printer added between the size query and the listing makes the buffer too
    // small; ask again with the new size a few times before giving up.
    for (int attempt = 0; attempt < 4 && !listed; ++attempt) {
        returned = 0;
        listed = EnumPrintersA(flags, nullptr, 4, buffer.empty() ? nullptr : buffer.data(),
                               static_cast<DWORD>(buffer.size()), &needed, &returned) != FALSE;
        if (!listed) {
            const DWORD error = GetLastError();
            if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) {
                last_error_ = L"the spooler did not list the printers: " + ErrorText(error);
                return {};
            }
            buffer.assign(needed, 0);
        }
    }
    if (!listed || (returned > 0 && buffer.empty()))
        return {};
    std::vector<std::wstring> names;
    names.reserve(returned);
    const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        names.push_back(info[i].pPrinterName ? FromNative(info[i].pPrinterName) : std::wstring());
    listed_ = names;
    return names;
}

std::optional<bool> Win32Printers::Has(const std::wstring& device_name) {
    last_error_.clear();
    if (std::find(listed_.begin(), listed_.end(), device_name) != listed_.end())
        return true;
    return InstalledPrinters::Has(device_name);
}

std::optional<std::wstring> Win32Printers::SystemDefault() {
    last_error_.clear();
    DWORD size = 0;
    GetDefaultPrinterA(nullptr, &size);
    // ERROR_FILE_NOT_FOUND here means there is no default printer.
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return std::nullopt;
    // The size asked for may count characters where the name needs more bytes (a
    // multi-byte ANSI code page, under Wine), and the default may change in between:
    // a buffer found too small grows and is offered again, a bounded number of times.
    std::string name;
    for (int attempt = 0; attempt < 8; ++attempt) {
        name.assign(size, '\0');
        DWORD got = size;
        if (GetDefaultPrinterA(name.data(), &got)) {
            name.resize(std::min<size_t>(name.find('\0'), name.size()));
            return FromNative(name);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return std::nullopt;
        size = std::max<DWORD>(got, size * 2);
    }
    return std::nullopt;
}

}  // namespace ks::win32
