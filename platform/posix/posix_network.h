// One outgoing TCP stream on POSIX sockets, every wait with a deadline.
#pragma once

#include "platform/network.h"

namespace ks {

// The lookup runs getaddrinfo on a helper thread, which is left to finish on its own
// when the deadline passes first (getaddrinfo cannot be interrupted). The stream is
// non-blocking: every wait is a poll of at most a tenth of a second, after which the
// deadline and the stop flag are looked at. Unacknowledged is known on Linux only.
class PosixNetwork : public Network {
public:
    std::unique_ptr<NetworkStream> Connect(const std::wstring& host, std::uint16_t port,
                                           std::chrono::milliseconds deadline,
                                           NetworkTrouble& trouble) override;
};

}  // namespace ks
