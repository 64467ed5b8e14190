// The per-user settings store, addressed by application, section and key.
#pragma once

#include <string>

namespace ks {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored string; "" for a key that was never written or cannot be read.
    virtual std::wstring Get(const std::wstring& app, const std::wstring& section,
                             const std::wstring& key) = 0;

    // Stores the string so that the next run reads it back; false when it could not.
    // A failed save leaves the previous value intact.
    virtual bool Save(const std::wstring& app, const std::wstring& section,
                      const std::wstring& key, const std::wstring& value) = 0;
};

}  // namespace ks
