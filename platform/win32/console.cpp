// Requests to stop that reach a console program (Ctrl+C, Ctrl+Break, the console closing), caught for the running job.
#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/win32/win32_process.h"

namespace ks::win32 {

namespace {

// The CRT's own numbers, so that exit statuses read as they do on POSIX: Ctrl+C is
// SIGINT (130), the console closing a hang-up (129); Ctrl+Break has SIGBREAK.
constexpr int kSigHangUp = 1;

std::atomic<int> first_request{0};

int SignalOf(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    case CTRL_CLOSE_EVENT:
        return kSigHangUp;
    default:
        return 0;  // log off and shut down reach the program's windows (session_end.h)
    }
}

// Runs on a thread of its own that the console starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int signal = SignalOf(event);
    if (signal == 0)
        return FALSE;
    int none = 0;
    if (!first_request.compare_exchange_strong(none, signal))
        ExitProcess(static_cast<UINT>(128 + signal));  // the second: at once
    if (event == CTRL_CLOSE_EVENT) {
        // The console ends the process when this returns (or after five seconds):
        // the job's cancel gets what time there is.
        Sleep(4500);
    }
    return TRUE;
}

}  // namespace

void Win32Process::CatchInterruptions() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int Win32Process::Interruption() { return first_request.load(); }

}  // namespace ks::win32
