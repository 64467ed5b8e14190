// The About window object: shows the fixed texts, closes on OK, opens the maker's web page.
#include "about/about_window.h"

#include "about/about_form.h"
#include "texts/program_texts.h"

namespace ks {

AboutWindow::AboutWindow(WindowSystem& windows, BrowserService& browsers,
                         MessageBoxService& messages)
    : windows_(windows), browsers_(browsers), messages_(messages) {}

bool AboutWindow::IsOpen() const { return form_ && form_->IsOpen(); }

void AboutWindow::Show() {
    if (IsOpen()) {
        form_->Activate();
        return;
    }
    // A closed window is dropped here rather than in its own OK handler, which
    // still runs inside the native window's button.
    form_.reset();
    try {
        form_ = windows_.CreateForm(AboutFormLayout(), *this);
    } catch (const WindowError& failure) {
        // This runs inside a click on the main window: the failure must not travel on
        // through the native window's event handling, which would end the program.
        messages_.Show(std::wstring(kAboutWindowFailed) + L"\n" + failure.What(), texts::kProgramTitle);
        return;
    }
    form_->Show();
}

void AboutWindow::Click(ControlName control) {
    if (control == about_form::cmdOK) {
        if (form_)
            form_->Close();
    } else if (control == about_form::Command1) {
        OpenWebPage();
    }
}

bool AboutWindow::OpenWebPage() {
    const std::wstring address(MakerWebAddress());
    bool opened = false;
    if (std::unique_ptr<BrowserObject> browser = browsers_.Create(kBrowserName)) {
        opened = browser->SetProperty(L"Visible", true) &&
                 browser->CallMethod(L"navigate", address);
    }  // the reference is released here; the browser window lives on by itself
    if (!opened)
        messages_.Show(std::wstring(kWebPageFailed) + L"\n" + address, texts::kProgramTitle);
    return opened;
}

}  // namespace ks
