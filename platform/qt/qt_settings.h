// The per-user settings store on QSettings: one INI file per application in the user's config folder.
#pragma once

#include <string>

#include "platform/settings.h"

namespace ks {

// Values live in $XDG_CONFIG_HOME/Kestrelspooler/APP.conf (~/.config when the
// variable is unset), the section as an INI group. Works without any Qt
// application object. Save writes the whole file anew and renames it into place,
// so a reader or a crash never sees half a file.
//
// Only that file is read: QSettings would also read the organisation-wide and
// system-wide fallback files, and would wait for ever on any of them that is a FIFO.
// A path that holds something other than an ordinary file (a FIFO, a device, a
// folder) reads as no value and is never written or replaced.
class QtSettingsStore : public SettingsStore {
public:
    std::wstring Get(const std::wstring& app, const std::wstring& section,
                     const std::wstring& key) override;
    bool Save(const std::wstring& app, const std::wstring& section, const std::wstring& key,
              const std::wstring& value) override;
    std::wstring LastError() override { return last_error_; }

private:
    std::wstring last_error_;
};

}  // namespace ks
