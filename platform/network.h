// One outgoing TCP stream to a network printer's port: look up, connect, send, end.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ks {

// Why a network call failed, as the program tells it.
struct NetworkTrouble {
    enum class Kind {
        None,
        NotFound,  // the host name has no address
        Refused,   // nothing listens on the port (the connection was refused)
        TimedOut,  // the lookup or the connect did not finish within its deadline
        Stalled,   // the peer took no byte, or did not close, within the time allowed
        Closed,    // the peer closed or reset the connection
        Stopped,   // `*stop` read true: the user's cancel, nobody's failure
        Failed,    // anything else the system reported
    };
    Kind kind = Kind::None;
    // The system's reason in words for a detail line ("connection refused", "no route to
    // host"); for TimedOut and Stalled the time that passed.
    std::wstring words;
};

// A connected stream. Used by one thread at a time. Destroying it closes the connection
// at once (as Abort does) unless Finish ended it.
class NetworkStream {
public:
    virtual ~NetworkStream() = default;

    // Sends the bytes, waiting while the peer takes none, for at most `silence` since the
    // last byte it took, and giving up as soon as `*stop` (when given) reads true (looked
    // at several times a second). Returns how many bytes went out: all of them, or fewer
    // after a failure, which Trouble() then names. A closed peer never ends the process
    // (no SIGPIPE).
    virtual std::uint64_t Send(const std::uint8_t* data, std::uint64_t size,
                               std::chrono::milliseconds silence, const std::atomic<bool>* stop) = 0;

    // Ends the sending side (a half-close), reads and discards whatever the peer still
    // sends, and waits for it to close its side, at most `longest`. True when the peer
    // closed without error; otherwise Trouble() says why (Stalled when it did not close
    // in time, Closed when it reset the connection).
    virtual bool Finish(std::chrono::milliseconds longest, const std::atomic<bool>* stop) = 0;

    // How many of the bytes sent the peer has not yet acknowledged; nullopt where the
    // platform cannot tell.
    virtual std::optional<std::uint64_t> Unacknowledged() = 0;

    // Closes the connection at once with a reset: what was not yet sent is dropped.
    virtual void Abort() = 0;

    virtual const NetworkTrouble& Trouble() const = 0;
};

class Network {
public:
    virtual ~Network() = default;

    // Looks `host` up (a name, an IPv4 or an IPv6 address) and connects to `port` on the
    // first of its addresses that answers, all within `deadline`: a lookup that hangs is
    // given up at the deadline too. nullptr when no connection was made; `trouble` says why.
    virtual std::unique_ptr<NetworkStream> Connect(const std::wstring& host, std::uint16_t port,
                                                   std::chrono::milliseconds deadline,
                                                   NetworkTrouble& trouble) = 0;
};

}  // namespace ks
