// The Qt GUI module's entry: its boxes, its windows and the main window, for the program that loads it.
#include "platform/qt/gui_module.h"

#include <QApplication>
#include <QWidget>

#include <memory>
#include <string>

#include "about/about_window.h"
#include "file_chooser/open_file.h"
#include "main_window/kestrelspooler.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_display.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_open_file_dialog.h"
#include "platform/qt/qt_password_box.h"

namespace ks {

namespace {

class QtGuiModule : public GuiModule {
public:
    // Qt's GUI starts when a window or a box first needs it, once for all three.
    explicit QtGuiModule(std::string program_name)
        : gui_(std::make_shared<QtGui>(std::move(program_name))), messages_(gui_), password_box_(gui_),
          windows_(gui_) {}

    MessageBoxService& Messages() override { return messages_; }
    PasswordPrompt& PasswordBox() override { return password_box_; }
    WindowSystem& Windows() override { return windows_; }

    std::optional<int> RunWindow(InstalledPrinters& printers, Spooler& spooler, Files& files,
                                 SettingsStore& settings, Process& process) override {
        if (!gui_->Application() || !DisplayAvailable())  // the named display did not answer
            return std::nullopt;
        // The program runs while any of its windows is open: an About window left open
        // keeps it going after the main window closed.
        QApplication::setQuitOnLastWindowClosed(true);
        return RunReportingWindowFailures(messages_, [&] {
            Kestrelspooler app({printers, spooler, files, settings, process, messages_, windows_});
            messages_.SetOwner(static_cast<QWidget*>(app.Window().NativeHandle()));
            QtBrowserService browsers;
            AboutWindow about(windows_, browsers, messages_);
            app.on_about = [&about] { about.Show(); };
            QtOpenFileDialog dialogs;
            app.on_file_select = [&app, &dialogs, &process] { FileSelectClick(app, dialogs, process); };
            app.on_exit = [] { QApplication::exit(0); };
            app.Load();
            app.Window().Show();
            return QApplication::exec();
        });
    }

private:
    std::shared_ptr<QtGui> gui_;
    QtMessageBoxService messages_;
    QtPasswordBox password_box_;
    QtWindowSystem windows_;
};

}  // namespace

}  // namespace ks

extern "C" __attribute__((visibility("default"))) ks::GuiModule* ks_open_gui_module(const char* program_name) {
    return new ks::QtGuiModule(program_name);
}
