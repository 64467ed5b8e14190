// Browser automation objects: created by registered name and driven by late-bound calls by name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace ks {

// One browser object the program holds a reference to. Destroying it releases
// that reference; a browser window it opened stays open on its own.
// Names are matched without regard to case, as automation names are.
class BrowserObject {
public:
    virtual ~BrowserObject() = default;

    // Sets a boolean property ("Visible": true opens the browser's window on screen).
    // Returns false when the object has no such property or refuses the value.
    virtual bool SetProperty(std::wstring_view name, bool value) = 0;

    // Calls a method with one text argument ("navigate": the address to show).
    // Returns false when the object has no such method or the call fails.
    virtual bool CallMethod(std::wstring_view name, const std::wstring& argument) = 0;
};

// Creates browser objects. Every failure comes back as a value: no call throws,
// and none waits for the user or for a browser that does not answer.
class BrowserService {
public:
    virtual ~BrowserService() = default;

    // A new object of the component registered under this name; nullptr when no
    // such component exists or it cannot be started. Where the platform knows a
    // better way to show a page than a missing or broken component, it may hand out
    // a stand-in that takes the same calls and shows the page in the desktop's
    // default browser.
    virtual std::unique_ptr<BrowserObject> Create(std::wstring_view registered_name) = 0;
};

}  // namespace ks
