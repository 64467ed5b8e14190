// The browser object service on Qt: the desktop's default browser stands in for the named component.
#include "platform/qt/qt_browser.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace ks {

namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
    return QString::fromWCharArray(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromWCharArray(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

class DesktopBrowser : public BrowserObject {
public:
    bool SetProperty(std::wstring_view name, bool value) override {
        if (!SameName(name, L"Visible"))
            return false;
        visible_ = value;
        return true;
    }

    bool CallMethod(std::wstring_view name, const std::wstring& argument) override {
        if (!SameName(name, L"navigate"))
            return false;
        // A relative or malformed address is refused here, so that it cannot be
        // taken for a local file name by the desktop.
        const QUrl url(QString::fromStdWString(argument), QUrl::StrictMode);
        if (!url.isValid() || url.isRelative())
            return false;
        if (!visible_)
            return true;
        // Starts the desktop's opener detached and returns without waiting for it.
        return QDesktopServices::openUrl(url);
    }

private:
    bool visible_ = false;
};

}  // namespace

std::unique_ptr<BrowserObject> QtBrowserService::Create(std::wstring_view registered_name) {
    if (!SameName(registered_name, L"INTERNETEXPLORER.Application"))
        return nullptr;
    return std::make_unique<DesktopBrowser>();
}

}  // namespace ks
