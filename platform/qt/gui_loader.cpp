// Loading the Qt GUI module that an installed or built program finds beside itself.
#include "platform/qt/gui_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace ks {

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Candidates() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const fs::path folder = program.parent_path();
    return {folder / KS_GUI_MODULE_FILE, (folder / KS_GUI_MODULE_DIR / KS_GUI_MODULE_FILE).lexically_normal()};
}

}  // namespace

std::unique_ptr<GuiModule> LoadGuiModule(const std::string& program_name, std::string& why) {
    const std::vector<fs::path> candidates = Candidates();
    why = candidates.empty() ? "the program's own path is unknown" : KS_GUI_MODULE_FILE " is not installed";
    for (const fs::path& path : candidates) {
        std::error_code error;
        if (!fs::is_regular_file(path, error))
            continue;
        // RTLD_NOW: a module that does not fit this program fails here, not halfway through a window.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* words = dlerror();
            why = words ? words : path.string() + " could not be loaded";
            return nullptr;
        }
        const auto open = reinterpret_cast<OpenGuiModuleFunction>(dlsym(handle, kOpenGuiModule));
        if (!open) {
            why = path.string() + " lacks " + kOpenGuiModule;
            return nullptr;
        }
        return std::unique_ptr<GuiModule>(open(program_name.c_str()));
    }
    return nullptr;
}

}  // namespace ks
