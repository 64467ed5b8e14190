// The browser object service on Win32: an automation component by ProgID, the default browser where it fails.
#pragma once

#include <functional>
#include <string>

#include "platform/browser.h"

namespace ks::win32 {

// Opens an address with the shell's "open" verb, that is in the default browser.
// Refuses anything that is not an absolute address with a scheme, so that a file
// name is never run. Returns whether the shell took it.
bool OpenInDefaultBrowser(const std::wstring& address);

// Creates the component registered under a ProgID (CLSIDFromProgID, CoCreateInstance)
// and drives it through IDispatch by name. For the component named by stand_in_for
// (the browser the About window asks for), a missing component or a failing step
// does not fail: the object carries on as a stand-in whose "Visible" is recorded
// and whose "navigate" hands the address to open_default when visible. Current
// Windows no longer ships that component, so the stand-in is the usual case there.
class Win32BrowserService : public BrowserService {
public:
    using Opener = std::function<bool(const std::wstring& address)>;

    explicit Win32BrowserService(Opener open_default = OpenInDefaultBrowser,
                                 std::wstring stand_in_for = L"INTERNETEXPLORER.Application");

    std::unique_ptr<BrowserObject> Create(std::wstring_view registered_name) override;

private:
    Opener open_default_;
    std::wstring stand_in_for_;
};

}  // namespace ks::win32
