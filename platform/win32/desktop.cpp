// Whether the program's windows can be seen by anyone at all.
#include "platform/win32/desktop.h"

#include <windows.h>

namespace ks::win32 {

bool DesktopIsVisible() {
    const HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace ks::win32
