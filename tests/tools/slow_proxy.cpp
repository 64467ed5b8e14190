// A slow road to the CUPS scheduler: a Unix-socket proxy that passes what clients send at a set rate, or stalls.
//
//   slow_proxy --listen PATH --to PATH [--rate BYTES_PER_SECOND] [--stall-after BYTES]
//
// Listens on the Unix socket PATH (it appears, by rename, once it listens) and joins each
// client to the socket --to (the private scheduler's). What a client sends goes on at
// --rate bytes a second at most (default: no limit); after --stall-after bytes of one
// connection the proxy stops reading from that client, as a scheduler that hangs does,
// until the client goes away. Answers come back at full speed. Clients point CUPS_SERVER
// at PATH. SIGTERM or SIGINT end it.

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/tools/tool_io.h"

namespace {

using tool_io::g_stop;
using tool_io::WriteFully;

using Clock = std::chrono::steady_clock;

struct Settings {
    std::string listen, to;
    std::uint64_t rate = 0;         // bytes a second; 0: no limit
    std::uint64_t stall_after = 0;  // 0: never
};

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    if (path.size() >= sizeof address.sun_path)
        return false;
    address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int ConnectTo(const std::string& path) {
    sockaddr_un address;
    if (!MakeAddress(path, address))
        return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Waits, without reading, until the client hangs up.
void WaitForHangUp(int client) {
    pollfd wanted{client, POLLRDHUP, 0};
    while (!g_stop) {
        if (poll(&wanted, 1, 200) > 0 && (wanted.revents & (POLLRDHUP | POLLHUP | POLLERR)))
            return;
    }
}

// One direction of one connection. `limited`: the client's side, which the rate and the
// stall apply to.
void Pump(int from, int to, const Settings& settings, bool limited) {
    char buffer[64 * 1024];
    const Clock::time_point start = Clock::now();
    std::uint64_t passed = 0;
    for (;;) {
        size_t want = sizeof buffer;
        if (limited && settings.stall_after > 0) {
            if (passed >= settings.stall_after) {
                WaitForHangUp(from);
                break;
            }
            want = static_cast<size_t>(std::min<std::uint64_t>(want, settings.stall_after - passed));
        }
        if (limited && settings.rate > 0)
            want = static_cast<size_t>(std::min<std::uint64_t>(want, std::max<std::uint64_t>(settings.rate / 20, 1)));
        const ssize_t n = recv(from, buffer, want, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !WriteFully(to, buffer, static_cast<size_t>(n)))
            break;
        passed += static_cast<std::uint64_t>(n);
        if (limited && settings.rate > 0) {
            // Keeps the average at the rate from the connection's start.
            const auto due = start + std::chrono::microseconds(passed * 1'000'000 / settings.rate);
            std::this_thread::sleep_until(due);
        }
    }
    // The other side learns that this one has ended.
    shutdown(to, SHUT_WR);
    shutdown(from, SHUT_RD);
}

void Serve(int client, Settings settings) {
    const int server = ConnectTo(settings.to);
    if (server < 0) {
        std::fprintf(stderr, "slow_proxy: cannot reach %s: %s\n", settings.to.c_str(), std::strerror(errno));
        close(client);
        return;
    }
    std::thread answers(Pump, server, client, std::cref(settings), false);
    Pump(client, server, settings, true);
    answers.join();
    close(server);
    close(client);
}

int Usage() {
    std::fprintf(stderr, "usage: slow_proxy --listen PATH --to PATH [--rate BYTES_PER_SECOND] [--stall-after BYTES]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const char* value = argv[++i];
        if (arg == "--listen")
            settings.listen = value;
        else if (arg == "--to")
            settings.to = value;
        else if (arg == "--rate")
            settings.rate = std::strtoull(value, nullptr, 10);
        else if (arg == "--stall-after")
            settings.stall_after = std::strtoull(value, nullptr, 10);
        else
            return Usage();
    }
    if (settings.listen.empty() || settings.to.empty())
        return Usage();

    tool_io::StopOnSignals();

    // Bound under another name and renamed once it listens: the path appearing means ready.
    const std::string temporary = settings.listen + ".new";
    sockaddr_un address;
    if (!MakeAddress(temporary, address)) {
        std::fprintf(stderr, "slow_proxy: socket path too long: %s\n", temporary.c_str());
        return 1;
    }
    unlink(temporary.c_str());
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 || chmod(temporary.c_str(), 0777) != 0 ||
        rename(temporary.c_str(), settings.listen.c_str()) != 0) {
        std::fprintf(stderr, "slow_proxy: cannot listen on %s: %s\n", settings.listen.c_str(), std::strerror(errno));
        return 1;
    }
    while (!g_stop) {
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            std::perror("slow_proxy: accept");
            return 1;
        }
        std::thread(Serve, client, settings).detach();
    }
    close(listener);
    unlink(settings.listen.c_str());
    return 0;
}
