// The per-user settings store, addressed by application, section and key.
#pragma once

#include <string>

namespace ks {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored string; "" for a key that was never written or cannot be read. Never
    // waits: a store that is no ordinary file or key (a FIFO, a device) reads as no value.
    virtual std::wstring Get(const std::wstring& app, const std::wstring& section,
                             const std::wstring& key) = 0;

    // Stores the string so that the next run reads it back; false when it could not.
    // A failed save leaves the previous value intact, and a store that is no ordinary
    // file is never written or replaced.
    virtual bool Save(const std::wstring& app, const std::wstring& section,
                      const std::wstring& key, const std::wstring& value) = 0;

    // Why the last Get found no value because the store could not be read, or why the
    // last Save failed, in words for a detail line; "" when neither happened.
    virtual std::wstring LastError() = 0;
};

}  // namespace ks
