// The Linux program: the core wired to CUPS, POSIX and Qt; a command-line run or the main window.
//
// Qt's GUI lives in a module (gui_module.h) that is loaded only when a display is named:
// a run without one loads Qt Core for its settings and no GUI library.
#include <cstdio>
#include <memory>
#include <string>

#include "main_window/command_line_run.h"
#include "printing/address_routing.h"
#include "printing/socket_spooler.h"
#include "platform/cups/cups_printers.h"
#include "platform/cups/cups_spooler.h"
#include "table_form/headless_form.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_network.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/terminal_password.h"
#include "platform/qt/display_named.h"
#include "platform/qt/gui_loader.h"
#include "platform/qt/qt_settings.h"
#include "platform/qt/stderr_boxes.h"

namespace {

constexpr const char* kNeedsDisplay =
    "kestrelspooler: the window needs a display (DISPLAY or WAYLAND_DISPLAY); "
    "to print without one, name the file: kestrelspooler FILE\n";

void SayNoWindows(const std::string& why) {
    const std::string line = "kestrelspooler: the windows could not be loaded: " + why + "\n";
    std::fputs(line.c_str(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    ks::PosixProcess process(argc, argv);
    const std::vector<std::wstring> arguments = process.Arguments();
    const bool command_line_run = !arguments.empty();
    const bool display = ks::DisplayNamed();
    if (!command_line_run && !display) {
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

    std::unique_ptr<ks::GuiModule> gui;
    if (display) {
        std::string why;
        gui = ks::LoadGuiModule(argc > 0 ? argv[0] : "kestrelspooler", why);
        if (!gui) {
            SayNoWindows(why);
            if (!command_line_run)
                return 1;
        }
    }
    // A queue that wants a password asks in a box on a display, else on the terminal.
    ks::TerminalPassword terminal_password(process);
    if (gui)
        queues.SetPasswordPrompt(&gui->PasswordBox());
    else if (process.ErrorIsTerminal())
        queues.SetPasswordPrompt(&terminal_password);

    if (command_line_run) {
        // A job that takes long shows its progress window on a display; without one the
        // run draws the meter on a terminal instead, and its boxes are lines there.
        ks::StandardErrorBoxes lines;
        ks::HeadlessWindowSystem memory_windows;
        ks::Services services{printers, spooler, files, settings, process,
                              gui ? gui->Messages() : static_cast<ks::MessageBoxService&>(lines),
                              gui ? gui->Windows() : static_cast<ks::WindowSystem&>(memory_windows)};
        const int status = ks::RunCommandLine(services, arguments);
        queues.SetPasswordPrompt(nullptr);
        return status;
    }

    const std::optional<int> status = gui->RunWindow(printers, spooler, files, settings, process);
    queues.SetPasswordPrompt(nullptr);
    if (!status) {  // the named display did not answer
        std::fputs(kNeedsDisplay, stderr);
        return 1;
    }
    return *status;
}
