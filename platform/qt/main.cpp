// The Linux program: the core wired to CUPS, POSIX and Qt; a command-line run or the main window.
#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <memory>

#include "about/about_window.h"
#include "file_chooser/open_file.h"
#include "main_window/command_line_run.h"
#include "main_window/kestrelspooler.h"
#include "printing/address_routing.h"
#include "printing/socket_spooler.h"
#include "platform/cups/cups_printers.h"
#include "platform/cups/cups_spooler.h"
#include "table_form/headless_form.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_network.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/terminal_password.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_display.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_open_file_dialog.h"
#include "platform/qt/qt_password_box.h"
#include "platform/qt/qt_settings.h"

namespace {

constexpr const char* kNeedsDisplay =
    "kestrelspooler: the window needs a display (DISPLAY or WAYLAND_DISPLAY); "
    "to print without one, name the file: kestrelspooler FILE\n";

}  // namespace

int main(int argc, char** argv) {
    ks::PosixProcess process(argc, argv);
    const std::vector<std::wstring> arguments = process.Arguments();
    const bool command_line_run = !arguments.empty();
    if (!command_line_run && !ks::DisplayAvailable()) {
        std::fputs(kNeedsDisplay, stderr);
        return 1;
    }

    ks::CupsPrinters printers;
    ks::CupsSpooler queues;
    ks::PosixNetwork network;
    ks::SocketSpooler sockets(network, ks::SpoolerDeadlines::FromEnvironment());
    ks::AddressRoutingSpooler spooler(queues, printers, sockets, /*queues_take_ipp=*/true);
    ks::PosixFiles files;
    ks::QtSettingsStore settings;
    // Qt's GUI starts when a window or a box first needs it, once for both.
    const auto gui = std::make_shared<ks::QtGui>(argc > 0 ? argv[0] : "kestrelspooler");
    ks::QtMessageBoxService messages(gui);
    // A queue that wants a password asks in a box on a display, else on the terminal.
    ks::QtPasswordBox password_box(gui);
    ks::TerminalPassword terminal_password(process);
    if (ks::DisplayAvailable())
        queues.SetPasswordPrompt(&password_box);
    else if (process.ErrorIsTerminal())
        queues.SetPasswordPrompt(&terminal_password);

    if (command_line_run) {
        // A job that takes long shows its progress window on a display; the run itself
        // draws the meter on a terminal instead.
        std::unique_ptr<ks::WindowSystem> windows;
        if (ks::DisplayAvailable())
            windows = std::make_unique<ks::QtWindowSystem>(gui);
        else
            windows = std::make_unique<ks::HeadlessWindowSystem>();
        ks::Services services{printers, spooler, files, settings, process, messages, *windows};
        return ks::RunCommandLine(services, arguments);
    }

    if (!gui->Application() || !ks::DisplayAvailable()) {  // the named display did not answer
        std::fputs(kNeedsDisplay, stderr);
        return 1;
    }
    // The program runs while any of its windows is open: an About window left open
    // keeps it going after the main window closed.
    QApplication::setQuitOnLastWindowClosed(true);

    ks::QtWindowSystem windows(gui);
    return ks::RunReportingWindowFailures(messages, [&] {
        ks::Kestrelspooler app({printers, spooler, files, settings, process, messages, windows});
        messages.SetOwner(static_cast<QWidget*>(app.Window().NativeHandle()));
        ks::QtBrowserService browsers;
        ks::AboutWindow about(windows, browsers, messages);
        app.on_about = [&about] { about.Show(); };
        ks::QtOpenFileDialog dialogs;
        app.on_file_select = [&app, &dialogs, &process] { ks::FileSelectClick(app, dialogs, process); };
        app.on_exit = [] { QApplication::exit(0); };
        app.Load();
        app.Window().Show();
        return QApplication::exec();
    });
}
