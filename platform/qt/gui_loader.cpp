// Loading the Qt GUI module that an installed or built program finds beside itself.
#include "platform/qt/gui_loader.h"

#include <dlfcn.h>
#include <sys/auxv.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace ks {

namespace {

namespace fs = std::filesystem;

// The program's file, its links followed. Without /proc (a chroot, say) the path it was
// started by, which the program has not yet had a chance to make stale by changing folder.
fs::path ProgramFile() {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        return program;
    const auto* started_as = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    if (!started_as)
        return {};
    program = fs::canonical(started_as, error);
    return error ? fs::path() : program;
}

std::vector<fs::path> Candidates() {
    const fs::path program = ProgramFile();
    if (program.empty())
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
