// The per-user settings store in the registry: HKEY_CURRENT_USER\Software\<app>\<section>, value <key>.
#pragma once

#include <string>

#include "platform/settings.h"

namespace ks::win32 {

// String values (REG_SZ) through the ANSI calls. The registry keeps them as UTF-16
// whichever code page wrote them, so a value saved under a legacy code page reads
// back unchanged under UTF-8 and the other way round, for every name both can spell.
// A value of another type reads as "". A value the ANSI code page cannot spell is not
// saved (Save returns false).
class RegistrySettings : public SettingsStore {
public:
    std::wstring Get(const std::wstring& app, const std::wstring& section,
                     const std::wstring& key) override;
    bool Save(const std::wstring& app, const std::wstring& section, const std::wstring& key,
              const std::wstring& value) override;
    // A registry value is never a FIFO: only a failed Save has words.
    std::wstring LastError() override { return last_error_; }

private:
    std::wstring last_error_;
};

}  // namespace ks::win32
