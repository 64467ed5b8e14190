// One outgoing TCP stream on Winsock, every wait with a deadline.
// winsock2.h first: windows.h, which it includes, would otherwise bring in the old winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/win32_network.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <utility>

#include "common/call_with_deadline.h"
#include "common/deadlines.h"
#include "platform/text.h"
#include "platform/win32/error_text.h"

namespace ks::win32 {

namespace {

using Clock = std::chrono::steady_clock;
using Kind = NetworkTrouble::Kind;

// How often a wait looks at the clock and the stop flag.
constexpr Milliseconds kSlice{100};

std::wstring ErrorWords(int error) {
    std::wstring words = ErrorText(static_cast<DWORD>(error));
    if (!words.empty())
        words[0] = static_cast<wchar_t>(std::towlower(words[0]));
    while (!words.empty() && words.back() == L'.')
        words.pop_back();
    return words;
}

NetworkTrouble FromError(int error) {
    switch (error) {
    case WSAECONNREFUSED:
        return {Kind::Refused, ErrorWords(error)};
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENOTCONN:
    case WSAESHUTDOWN:
        return {Kind::Closed, ErrorWords(error)};
    case WSAETIMEDOUT:
        return {Kind::TimedOut, ErrorWords(error)};
    default:
        return {Kind::Failed, ErrorWords(error)};
    }
}

timeval SliceUntil(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<Milliseconds>(until - Clock::now());
    const long ms = static_cast<long>(std::clamp(left, Milliseconds(0), kSlice).count());
    return timeval{ms / 1000, (ms % 1000) * 1000};
}

enum class Readiness { NotYet, Ready, Failed };

// Waits one slice at most for `s` to become writable (or to fail), or readable.
Readiness WaitOnce(SOCKET s, bool write, Clock::time_point until) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval wait = SliceUntil(until);
    if (::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait) <= 0)
        return Readiness::NotYet;
    return FD_ISSET(s, &failed) ? Readiness::Failed : Readiness::Ready;
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
            hints.ai_protocol = IPPROTO_TCP;
            LookupAnswer found;
            found.status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found.result);
            return found;
        },
        [](LookupAnswer& late) {
            if (late.result != nullptr)
                ::freeaddrinfo(late.result);
        },
        deadline);
    if (!answer) {
        trouble = {Kind::TimedOut, DurationText(budget)};
        return nullptr;
    }
    if (answer->status != 0 || answer->result == nullptr) {
        trouble = {Kind::NotFound, ErrorWords(answer->status)};
        return nullptr;
    }
    return answer->result;
}

class Win32Stream : public NetworkStream {
public:
    explicit Win32Stream(SOCKET s) : socket_(s) {}
    ~Win32Stream() override { Abort(); }
    Win32Stream(const Win32Stream&) = delete;
    Win32Stream& operator=(const Win32Stream&) = delete;

    std::uint64_t Send(const std::uint8_t* data, std::uint64_t size, Milliseconds silence,
                       const std::atomic<bool>* stop) override {
        std::uint64_t sent = 0;
        Clock::time_point last_progress = Clock::now();
        while (sent < size && socket_ != INVALID_SOCKET) {
            if (stop != nullptr && stop->load()) {
                trouble_ = {Kind::Stopped, {}};
                return sent;
            }
            const int piece = static_cast<int>(std::min<std::uint64_t>(size - sent, 1 << 20));
            const int n = ::send(socket_, reinterpret_cast<const char*>(data + sent), piece, 0);
            if (n > 0) {
                sent += static_cast<std::uint64_t>(n);
                last_progress = Clock::now();
                continue;
            }
            const int error = ::WSAGetLastError();
            if (n == SOCKET_ERROR && error != WSAEWOULDBLOCK) {
                trouble_ = FromError(error);
                return sent;
            }
            if (Clock::now() - last_progress >= silence) {
                trouble_ = {Kind::Stalled, DurationText(silence)};
                return sent;
            }
            WaitOnce(socket_, true, last_progress + silence);
        }
        return sent;
    }

    bool Finish(Milliseconds longest, const std::atomic<bool>* stop) override {
        if (socket_ == INVALID_SOCKET)
            return false;
        if (::shutdown(socket_, SD_SEND) != 0) {
            trouble_ = FromError(::WSAGetLastError());
            return false;
        }
        const Clock::time_point give_up = Clock::now() + longest;
        char discard[4096];
        for (;;) {
            if (stop != nullptr && stop->load()) {
                trouble_ = {Kind::Stopped, {}};
                return false;
            }
            const int n = ::recv(socket_, discard, sizeof discard, 0);
            if (n == 0) {
                ::closesocket(std::exchange(socket_, INVALID_SOCKET));
                return true;
            }
            if (n > 0)
                continue;  // a printer may answer on the back channel: nothing here reads it
            const int error = ::WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                trouble_ = FromError(error);
                return false;
            }
            if (Clock::now() >= give_up) {
                trouble_ = {Kind::Stalled, DurationText(longest)};
                return false;
            }
            WaitOnce(socket_, false, give_up);
        }
    }

    std::optional<std::uint64_t> Unacknowledged() override { return std::nullopt; }

    void Abort() override {
        if (socket_ == INVALID_SOCKET)
            return;
        // A linger of 0 makes closesocket send a reset and drop what was not yet sent.
        linger reset{1, 0};
        ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
        ::closesocket(std::exchange(socket_, INVALID_SOCKET));
    }

    const NetworkTrouble& Trouble() const override { return trouble_; }

private:
    SOCKET socket_;
    NetworkTrouble trouble_;
};

SOCKET ConnectOne(const addrinfo& address, Clock::time_point deadline, Milliseconds budget,
                  NetworkTrouble& trouble) {
    SOCKET s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        trouble = FromError(::WSAGetLastError());
        return INVALID_SOCKET;
    }
    u_long non_blocking = 1;
    ::ioctlsocket(s, FIONBIO, &non_blocking);
    int error = 0;
    if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
        error = ::WSAGetLastError();
        while (error == WSAEWOULDBLOCK) {
            if (Clock::now() >= deadline) {
                trouble = {Kind::TimedOut, DurationText(budget)};
                ::closesocket(s);
                return INVALID_SOCKET;
            }
            // A failed connect shows in the exception set, a made one in the write set.
            const Readiness readiness = WaitOnce(s, true, deadline);
            if (readiness != Readiness::NotYet) {
                int length = sizeof error;
                error = 0;
                ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
                if (error == 0 && readiness == Readiness::Failed)
                    error = WSAECONNREFUSED;
                break;
            }
        }
    }
    if (error != 0) {
        trouble = FromError(error);
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

}  // namespace

Win32Network::Win32Network() {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

Win32Network::~Win32Network() {
    if (started_)
        ::WSACleanup();
}

std::unique_ptr<NetworkStream> Win32Network::Connect(const std::wstring& host, std::uint16_t port,
                                                     Milliseconds deadline, NetworkTrouble& trouble) {
    if (!started_) {
        trouble = {Kind::Failed, L"Winsock could not be started"};
        return nullptr;
    }
    const Clock::time_point give_up = Clock::now() + deadline;
    addrinfo* addresses = LookUp(ToNative(host), port, give_up, deadline, trouble);
    if (addresses == nullptr)
        return nullptr;
    SOCKET s = INVALID_SOCKET;
    for (const addrinfo* a = addresses; a != nullptr && s == INVALID_SOCKET; a = a->ai_next) {
        s = ConnectOne(*a, give_up, deadline, trouble);
        if (trouble.kind == Kind::TimedOut)
            break;
    }
    ::freeaddrinfo(addresses);
    if (s == INVALID_SOCKET)
        return nullptr;
    trouble = {};
    return std::make_unique<Win32Stream>(s);
}

}  // namespace ks::win32
