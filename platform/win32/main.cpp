// The Windows program: the portable core wired to the Win32 services.
#include "about/about_window.h"
#include "file_chooser/open_file.h"
#include "main_window/command_line_run.h"
#include "main_window/kestrelspooler.h"
#include "printing/address_routing.h"
#include "printing/socket_spooler.h"
#include "platform/win32/win32_browser.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_network.h"
#include "platform/win32/win32_open_file_dialog.h"
#include "platform/win32/win32_printers.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_settings.h"
#include "platform/win32/win32_spooler.h"

// Last: windows.h, which these bring in, renames some of the names the headers above
// declare (OpenPrinter).
#include "platform/win32/win32_form_handles.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/session_end.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ks::win32::OleInitialization ole;  // drag-and-drop
    ks::win32::Win32Printers printers;
    ks::win32::Win32Spooler queues;
    ks::win32::Win32Network network;
    ks::SocketSpooler sockets(network, ks::SpoolerDeadlines::FromEnvironment());
    ks::AddressRoutingSpooler spooler(queues, printers, sockets, /*queues_take_ipp=*/false);
    ks::win32::Win32Files files;
    ks::win32::RegistrySettings settings;
    ks::win32::Win32Process process;
    ks::win32::Win32MessageBox messages;
    // Both runs: a long job of a command-line run shows its progress window too.
    ks::win32::Win32WindowSystem windows(instance);
    ks::Services services{printers, spooler, files, settings, process, messages, windows};
    if (const std::vector<std::wstring> arguments = process.Arguments(); !arguments.empty())
        return ks::RunCommandLine(services, arguments);
    return ks::RunReportingWindowFailures(messages, [&] {
        ks::Kestrelspooler app(services);
        ks::win32::Win32OpenFileDialog dialogs;
        app.on_file_select = [&app, &dialogs, &process] { ks::FileSelectClick(app, dialogs, process); };
        ks::win32::Win32BrowserService browsers;
        ks::AboutWindow about(windows, browsers, messages);
        ks::win32::SessionEndWatch session_end(instance, [&app] { app.EndSession(); });
        app.on_about = [&about] { about.Show(); };
        app.on_exit = [] { PostQuitMessage(0); };
        app.Load();
        app.Window().Show();
        // Runs while any of the program's windows is open, or until File > Exit.
        return ks::win32::RunMessageLoop();
    });
}
