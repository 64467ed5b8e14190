// One outgoing TCP stream on Winsock, every wait with a deadline.
#pragma once

#include "platform/network.h"

namespace ks::win32 {

// Starts Winsock for its lifetime. The lookup runs getaddrinfo on a helper thread, left
// to finish on its own when the deadline passes first. The stream is non-blocking: every
// wait is a select of at most a tenth of a second, after which the deadline and the stop
// flag are looked at. Winsock does not tell how much of what was sent the peer has
// acknowledged: Unacknowledged is always nullopt.
// (No windows.h here: winsock2.h must come before it.)
class Win32Network : public Network {
public:
    Win32Network();
    ~Win32Network() override;
    Win32Network(const Win32Network&) = delete;
    Win32Network& operator=(const Win32Network&) = delete;

    std::unique_ptr<NetworkStream> Connect(const std::wstring& host, std::uint16_t port,
                                           std::chrono::milliseconds deadline,
                                           NetworkTrouble& trouble) override;

private:
    bool started_ = false;
};

}  // namespace ks::win32
