// How long a job is followed after the spooler took all of it.
#pragma once

#include <chrono>

#include "platform/spooler.h"

namespace ks {

// The window and a plain command-line run look until the outcome is known, 10 s at the
// most; a command-line run told to wait follows the job until the printer has all of it.
struct JobWatch {
    WatchUntil until = WatchUntil::Known;
    std::chrono::milliseconds longest{10'000};
};

}  // namespace ks
