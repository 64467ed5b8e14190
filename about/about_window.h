// The About window object: shows the fixed texts, closes on OK, opens the maker's web page.
#pragma once

#include <memory>
#include <string>

#include "platform/browser.h"
#include "platform/message_box.h"
#include "platform/window_system.h"

namespace ks {

// The browser component the web-address button drives.
inline constexpr std::wstring_view kBrowserName = L"INTERNETEXPLORER.Application";

// Said when no browser could show the maker's page, followed by the address so
// that the user can type it elsewhere.
inline constexpr std::wstring_view kWebPageFailed = L"The web page could not be opened:";

// Said when the About window cannot be created, followed by what failed.
inline constexpr std::wstring_view kAboutWindowFailed = L"The About window could not be opened:";

class AboutWindow : public FormEvents {
public:
    AboutWindow(WindowSystem& windows, BrowserService& browsers, MessageBoxService& messages);

    // Shows the About window without an owner and returns at once: created afresh
    // when none is open, brought to the front when one is. When it cannot be created
    // the user is told what failed and the program carries on.
    void Show();
    bool IsOpen() const;

    // The open window, or the last one shown; nullptr before the first Show.
    Form* Window() { return form_.get(); }

    // The web-address button: a new browser object shows the maker's page. Returns
    // whether all three steps succeeded; when not, the user is told and the program
    // carries on.
    bool OpenWebPage();

    void Click(ControlName control) override;
    void Drop(ControlName, const DropData&) override {}
    void Unload() override {}

private:
    WindowSystem& windows_;
    BrowserService& browsers_;
    MessageBoxService& messages_;
    std::unique_ptr<Form> form_;
};

}  // namespace ks
