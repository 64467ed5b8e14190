// One outgoing TCP stream on POSIX sockets, every wait with a deadline.
#include "platform/posix/posix_network.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/sockios.h>  // SIOCOUTQ: what the peer has not acknowledged
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwctype>
#include <memory>
#include <utility>

#include "common/call_with_deadline.h"
#include "common/deadlines.h"
#include "platform/text.h"

namespace ks {

namespace {

using Clock = std::chrono::steady_clock;
using Kind = NetworkTrouble::Kind;

// How often a wait looks at the clock and the stop flag.
constexpr Milliseconds kSlice{100};

std::wstring ErrorWords(int error) {
    std::wstring words = FromNative(std::strerror(error));
    if (!words.empty())
        words[0] = static_cast<wchar_t>(std::towlower(words[0]));
    return words;
}

NetworkTrouble FromErrno(int error) {
    switch (error) {
    case ECONNREFUSED:
        return {Kind::Refused, ErrorWords(error)};
    case EPIPE:
    case ECONNRESET:
    case ENOTCONN:
        return {Kind::Closed, ErrorWords(error)};
    default:
        return {Kind::Failed, ErrorWords(error)};
    }
}

int SliceUntil(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<Milliseconds>(until - Clock::now());
    return static_cast<int>(std::clamp(left, Milliseconds(0), kSlice).count());
}

struct LookupAnswer {
    int status = 0;
    addrinfo* result = nullptr;
};

// nullptr with `trouble` set when the host has no address or the lookup took too long.
// getaddrinfo takes no deadline, so it runs on a helper thread that may outlive the wait.
addrinfo* LookUp(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                 Milliseconds budget, NetworkTrouble& trouble) {
    const std::string service = std::to_string(port);
    const std::optional<LookupAnswer> answer = CallWithDeadline<LookupAnswer>(
        [host, service] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
            LookupAnswer found;
            found.status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found.result);
            return found;
        },
        [](LookupAnswer& late) {
            if (late.result != nullptr)
                freeaddrinfo(late.result);
        },
        deadline);
    if (!answer) {
        trouble = {Kind::TimedOut, DurationText(budget)};
        return nullptr;
    }
    if (answer->status != 0 || answer->result == nullptr) {
        trouble = {Kind::NotFound, FromNative(gai_strerror(answer->status))};
        return nullptr;
    }
    return answer->result;
}

class PosixStream : public NetworkStream {
public:
    explicit PosixStream(int fd) : fd_(fd) {}
    ~PosixStream() override { Abort(); }
    PosixStream(const PosixStream&) = delete;
    PosixStream& operator=(const PosixStream&) = delete;

    std::uint64_t Send(const std::uint8_t* data, std::uint64_t size, Milliseconds silence,
                       const std::atomic<bool>* stop) override {
        std::uint64_t sent = 0;
        Clock::time_point last_progress = Clock::now();
        while (sent < size && fd_ >= 0) {
            if (stop != nullptr && stop->load()) {
                trouble_ = {Kind::Stopped, {}};
                return sent;
            }
            const size_t piece = static_cast<size_t>(std::min<std::uint64_t>(size - sent, 1 << 20));
            const ssize_t n = ::send(fd_, data + sent, piece, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::uint64_t>(n);
                last_progress = Clock::now();
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                trouble_ = FromErrno(errno);
                return sent;
            }
            if (Clock::now() - last_progress >= silence) {
                trouble_ = {Kind::Stalled, DurationText(silence)};
                return sent;
            }
            pollfd wanted{fd_, POLLOUT, 0};
            ::poll(&wanted, 1, SliceUntil(last_progress + silence));
        }
        return sent;
    }

    bool Finish(Milliseconds longest, const std::atomic<bool>* stop) override {
        if (fd_ < 0)
            return false;
        if (::shutdown(fd_, SHUT_WR) != 0) {
            trouble_ = FromErrno(errno);
            return false;
        }
        shut_ = true;
        const Clock::time_point give_up = Clock::now() + longest;
        char discard[4096];
        for (;;) {
            if (stop != nullptr && stop->load()) {
                trouble_ = {Kind::Stopped, {}};
                return false;
            }
            const ssize_t n = ::recv(fd_, discard, sizeof discard, 0);
            if (n == 0) {
                ::close(std::exchange(fd_, -1));
                return true;
            }
            if (n > 0 || (n < 0 && errno == EINTR))
                continue;  // a printer may answer on the back channel: nothing here reads it
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                trouble_ = FromErrno(errno);
                return false;
            }
            if (Clock::now() >= give_up) {
                trouble_ = {Kind::Stalled, DurationText(longest)};
                return false;
            }
            pollfd wanted{fd_, POLLIN, 0};
            ::poll(&wanted, 1, SliceUntil(give_up));
        }
    }

    std::optional<std::uint64_t> Unacknowledged() override {
#ifdef SIOCOUTQ
        int queued = 0;
        if (fd_ >= 0 && ::ioctl(fd_, SIOCOUTQ, &queued) == 0 && queued >= 0) {
            // After the half-close the end-of-stream mark counts as one more byte until
            // the peer acknowledges it.
            if (shut_ && queued > 0)
                --queued;
            return static_cast<std::uint64_t>(queued);
        }
#endif
        return std::nullopt;
    }

    void Abort() override {
        if (fd_ < 0)
            return;
        // A linger of 0 makes close send a reset and drop what was not yet sent.
        linger reset{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(std::exchange(fd_, -1));
    }

    const NetworkTrouble& Trouble() const override { return trouble_; }

private:
    int fd_;
    bool shut_ = false;
    NetworkTrouble trouble_;
};

// Connects a non-blocking socket to one address; the socket, or -1 with `trouble` set.
int ConnectOne(const addrinfo& address, Clock::time_point deadline, Milliseconds budget,
               NetworkTrouble& trouble) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) {
        trouble = FromErrno(errno);
        return -1;
    }
    int error = 0;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        error = errno;
        while (error == EINPROGRESS || error == EINTR) {
            if (Clock::now() >= deadline) {
                trouble = {Kind::TimedOut, DurationText(budget)};
                ::close(fd);
                return -1;
            }
            pollfd wanted{fd, POLLOUT, 0};
            if (::poll(&wanted, 1, SliceUntil(deadline)) > 0) {
                socklen_t length = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                break;
            }
        }
    }
    if (error != 0) {
        trouble = FromErrno(error);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::unique_ptr<NetworkStream> PosixNetwork::Connect(const std::wstring& host, std::uint16_t port,
                                                     Milliseconds deadline, NetworkTrouble& trouble) {
    const Clock::time_point give_up = Clock::now() + deadline;
    addrinfo* addresses = LookUp(ToNative(host), port, give_up, deadline, trouble);
    if (addresses == nullptr)
        return nullptr;
    int fd = -1;
    for (const addrinfo* a = addresses; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ConnectOne(*a, give_up, deadline, trouble);
        if (trouble.kind == Kind::TimedOut)
            break;
    }
    freeaddrinfo(addresses);
    if (fd < 0)
        return nullptr;
    trouble = {};
    return std::make_unique<PosixStream>(fd);
}

}  // namespace ks
