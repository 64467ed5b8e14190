// The browser object service on Qt: the desktop's default browser stands in for the named component.
#pragma once

#include "platform/browser.h"

namespace ks {

// Knows one component, "INTERNETEXPLORER.Application" (in any case). Its objects
// keep the three steps apart: "Visible" only records the wish for a window, and
// "navigate" hands the address to the desktop's default browser (QDesktopServices)
// when the object is visible; an invisible browser shows nothing, so nothing opens.
// Needs a QGuiApplication; a test can catch the addresses with
// QDesktopServices::setUrlHandler.
class QtBrowserService : public BrowserService {
public:
    std::unique_ptr<BrowserObject> Create(std::wstring_view registered_name) override;
};

}  // namespace ks
