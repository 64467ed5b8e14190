// What the test tools share: a stop asked for by SIGTERM or SIGINT, and a write that goes on until all is written.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace tool_io {

inline std::atomic<bool> g_stop{false};

// SIGTERM and SIGINT set g_stop without SA_RESTART, so that a blocked accept() returns
// and the tool sees the stop; a peer that went away gives EPIPE, not a fatal SIGPIPE.
inline void StopOnSignals() {
    struct sigaction action {};
    action.sa_handler = [](int) { g_stop = true; };
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

inline bool WriteFully(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tool_io
