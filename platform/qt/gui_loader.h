// Loading the Qt GUI module that an installed or built program finds beside itself.
#pragma once

#include <memory>
#include <string>

#include "platform/qt/gui_module.h"

namespace ks {

// Loads the module and makes its services (GuiModule). The module is looked for in the
// program's own folder (a build) and then in the folder it is installed to relative to
// the program's (KS_GUI_MODULE_DIR). nullptr when it is in neither or cannot be loaded;
// `why` then says what failed, in the loader's words.
std::unique_ptr<GuiModule> LoadGuiModule(const std::string& program_name, std::string& why);

}  // namespace ks
