// Whether the environment names a display for Qt's windows, decided without loading any Qt library.
#include "platform/qt/display_named.h"

#include <cstdlib>
#include <string_view>

namespace ks {

bool IsSetInEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool IsOffScreenPlatform(std::string_view platform) {
    const std::string_view name = platform.substr(0, platform.find(':'));
    return name == "offscreen" || name == "minimal";
}

bool DisplayNamed() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform && IsOffScreenPlatform(platform))
        return false;
    return IsSetInEnvironment("DISPLAY") || IsSetInEnvironment("WAYLAND_DISPLAY");
}

}  // namespace ks
