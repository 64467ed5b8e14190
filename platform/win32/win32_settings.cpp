// The per-user settings store in the registry: HKEY_CURRENT_USER\Software\<app>\<section>, value <key>.
#include "platform/win32/win32_settings.h"

#include <windows.h>

#include <vector>

#include "platform/text.h"
#include "platform/win32/code_page.h"
#include "platform/win32/error_text.h"
#include "platform/win32/handles.h"

namespace ks::win32 {

namespace {

std::string KeyPath(const std::wstring& app, const std::wstring& section) {
    return "Software\\" + ToNative(app) + "\\" + ToNative(section);
}

}  // namespace

std::wstring RegistrySettings::Get(const std::wstring& app, const std::wstring& section,
                                   const std::wstring& key) {
    last_error_.clear();
    RegKey hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE,
                      hkey.Receive()) != ERROR_SUCCESS)
        return {};
    const std::string name = ToNative(key);
    std::vector<BYTE> data(256);
    for (;;) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(hkey.Get(), name.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            data.resize(size + 1);  // the value may have grown since; the loop asks again
            continue;
        }
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            return {};
        // A REG_SZ is not always stored with its terminator; the text ends at the first NUL.
        std::string text(reinterpret_cast<const char*>(data.data()), size);
        if (const size_t nul = text.find('\0'); nul != std::string::npos)
            text.resize(nul);
        return FromNative(text);
    }
}

bool RegistrySettings::Save(const std::wstring& app, const std::wstring& section,
                            const std::wstring& key, const std::wstring& value) {
    last_error_.clear();
    // A name the ANSI code page cannot spell would be stored as "???" and read back as
    // that: it is not stored, and the previous value stays.
    const std::optional<NarrowText> text = ToCodePage(value, AnsiCodePage());
    if (!text || !text->exact) {
        last_error_ = L"the printer name \"" + value + L"\" has no form in the ANSI code page " +
                      std::to_wstring(AnsiCodePage());
        return false;
    }
    RegKey hkey;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, hkey.Receive(), nullptr);
    if (rc == ERROR_SUCCESS) {
        // One call replaces the value whole, so a failure leaves the old one as it was.
        rc = RegSetValueExA(hkey.Get(), ToNative(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text->bytes.c_str()),
                            static_cast<DWORD>(text->bytes.size() + 1));
    }
    if (rc != ERROR_SUCCESS)
        last_error_ = L"the registry said: " + ErrorText(static_cast<DWORD>(rc));
    return rc == ERROR_SUCCESS;
}

}  // namespace ks::win32
