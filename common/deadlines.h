// How long the program waits on the spooler, and why: every such figure in one place.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

using Milliseconds = std::chrono::milliseconds;

struct SpoolerDeadlines {
    // Listing the printers, asking for the default one, opening a printer, creating a
    // job: a scheduler that has not answered one of these within 30 s is taken to be
    // gone. A healthy scheduler answers in milliseconds, a busy one in a few seconds.
    Milliseconds lookup{30'000};

    // A command-line run against a scheduler that does not answer ends, with its
    // message, within 45 s. Once the scheduler has failed to answer, calls within this
    // time do not wait for it again: the run waits once (`lookup`) and then fails at
    // once, while a window that stays open asks again later.
    Milliseconds command_line_run{45'000};

    // Sending a document: a scheduler that takes no byte, or gives no answer at the
    // end, for 5 minutes has stopped, and the job fails and is cancelled. One that is
    // paused for a minute or two (a suspended machine, a scheduler being debugged)
    // picks the document up where it stopped.
    Milliseconds stalled_send{300'000};

    // Cancelling a job after a failure: when the scheduler cannot be reached, the
    // cancel is tried again, waiting longer each time, for 30 s; a scheduler that
    // restarts is back within that. After that the job is reported as left behind.
    Milliseconds cancel_retries{30'000};

    // The figures above, changed by the environment variable KESTRELSPOOLER_DEADLINES
    // when it is set: comma-separated NAME=SECONDS pairs, NAME one of lookup, run,
    // stall, cancel (for example "lookup=2,stall=5"). The tests use it to see a
    // deadline pass in seconds instead of minutes; a pair it cannot read is ignored.
    static SpoolerDeadlines FromEnvironment();
    static SpoolerDeadlines Parse(std::string_view text);
};

// A duration as a person reads it in a message, to a tenth of a second: "30 s", "2.5 s".
std::wstring DurationText(Milliseconds duration);

}  // namespace ks
