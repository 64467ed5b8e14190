// Whether the environment names a display for Qt's windows, decided without loading any Qt library.
#pragma once

#include <string_view>

namespace ks {

// True when an X11 or Wayland display is named (DISPLAY or WAYLAND_DISPLAY) and Qt is not
// told to draw off screen (QT_QPA_PLATFORM offscreen or minimal). Whether the display
// answers is only known once Qt's GUI starts (DisplayAvailable in qt_display.h).
bool DisplayNamed();

// Qt platforms that draw into memory ("offscreen", "minimal", with or without options):
// a window there could never be seen.
bool IsOffScreenPlatform(std::string_view platform);

// Whether the environment variable is set to something other than "".
bool IsSetInEnvironment(const char* name);

}  // namespace ks
