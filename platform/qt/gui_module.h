// The Qt windows and boxes as a module of their own, which the program loads only when a display is named.
//
// A run without a display (a script, a print server, a shell over ssh) then never loads
// Qt's GUI and Widgets libraries, which would cost it more than the rest of its start.
// The module (kestrelspooler-gui.so) holds the Qt GUI code alone; everything else it uses,
// the program's core among it, it takes from the program that loaded it, so that both
// share one copy (one PromptPause, one set of texts).
#pragma once

#include <optional>

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/password_prompt.h"
#include "platform/printers.h"
#include "platform/process.h"
#include "platform/settings.h"
#include "platform/spooler.h"
#include "platform/window_system.h"

namespace ks {

// What the module gives the program. The program ends it (and with it Qt's GUI) before
// it returns from main, while Qt's libraries are all still there; the module itself is
// never unloaded, as Qt's libraries cannot be.
class GuiModule {
public:
    virtual ~GuiModule() = default;

    // Boxes on the display; "CAPTION: TEXT" on standard error where the display named
    // does not answer.
    virtual MessageBoxService& Messages() = 0;
    // The user name and password box.
    virtual PasswordPrompt& PasswordBox() = 0;
    // Windows on the display: a command-line run's progress window.
    virtual WindowSystem& Windows() = 0;

    // The main window, built with the program's own services, until the program ends;
    // the exit status. Nothing (and no window) when the display named does not answer.
    virtual std::optional<int> RunWindow(InstalledPrinters& printers, Spooler& spooler, Files& files,
                                         SettingsStore& settings, Process& process) = 0;
};

// The module's one exported function: makes the module's services for a program whose
// argv[0] is `program_name`; the caller owns them. Called once. The program looks it up
// by kOpenGuiModule.
using OpenGuiModuleFunction = GuiModule* (*)(const char* program_name);
inline constexpr char kOpenGuiModule[] = "ks_open_gui_module";

}  // namespace ks
