// Whether the program's windows can be seen by anyone at all.
#pragma once

namespace ks::win32 {

// False on a window station without a visible desktop (a service, a scheduled task run
// whether or not anyone is logged on): a window there waits for an answer nobody can
// give. True when it cannot be told.
bool DesktopIsVisible();

}  // namespace ks::win32
