// The CUPS scheduler this program talks to: connections whose every wait has a deadline,
// and the memory that it stopped answering.
#include "platform/cups/cups_scheduler.h"

#include <cups/cups.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwctype>

#include "platform/text.h"

namespace ks {

namespace {

// A wait looks at the clock at least this often. libcups also limits each blocking send
// to this time, so that a send into a scheduler that has stopped reading comes back
// to ask too (a poll alone says a local socket is writable while its reader sleeps).
constexpr Milliseconds kPoll{500};

// What the system calls a connection that the other side ended.
bool IsClosed(int error) {
    return error == 0 || error == EPIPE || error == ECONNRESET || error == ENOTCONN || error == EBADF;
}

std::wstring ErrorWords(int error) {
    switch (error) {
    case 0: return L"the connection failed";  // libcups failed where a second try got through
    case ECONNREFUSED: return L"connection refused";
    case ENOENT: return L"no such socket";
    case ETIMEDOUT: return L"timed out";
    case EACCES: return L"permission denied";
    default: {
        std::wstring words = FromNative(std::strerror(error));
        if (!words.empty())
            words[0] = static_cast<wchar_t>(std::towlower(words[0]));
        return words;
    }
    }
}

double Seconds(Milliseconds duration) { return static_cast<double>(duration.count()) / 1000.0; }

// The system's reason a connection to the scheduler fails. libcups keeps only a summary
// ("host is down") of why its connect failed; one connect of our own finds the reason.
int ConnectError(const char* host, int port_number, Milliseconds wait) {
    const std::string port = std::to_string(port_number);
    http_addrlist_t* list = httpAddrGetList(host, AF_UNSPEC, port.c_str());
    if (list == nullptr)
        return EHOSTUNREACH;
    int error = ETIMEDOUT;
    const int fd =
        ::socket(httpAddrFamily(&list->addr), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
    } else {
        const auto length = static_cast<socklen_t>(httpAddrLength(&list->addr));
        if (::connect(fd, &list->addr.addr, length) == 0) {
            error = 0;
        } else if (errno != EINPROGRESS) {
            error = errno;
        } else {
            pollfd wanted{fd, POLLOUT, 0};
            socklen_t size = sizeof error;
            if (::poll(&wanted, 1, static_cast<int>(wait.count())) > 0)
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        }
        ::close(fd);
    }
    httpAddrFreeList(list);
    return error;
}

}  // namespace

SchedulerConnection::SchedulerConnection(http_t* http) : http_(http) {}

SchedulerConnection::~SchedulerConnection() { httpClose(http_); }

void SchedulerConnection::WaitUntil(Clock::time_point deadline, Milliseconds budget) {
    deadline_ = deadline;
    budget_ = budget;
    silence_allowed_ = false;
    httpSetTimeout(http_, Seconds(std::clamp(budget, Milliseconds(50), kPoll)), &KeepWaiting, this);
}

void SchedulerConnection::AllowSilence(Milliseconds silence) {
    budget_ = silence;
    silence_allowed_ = true;
    Progressed();
    httpSetTimeout(http_, Seconds(std::clamp(silence, Milliseconds(50), kPoll)), &KeepWaiting, this);
}

// libcups asks this whenever a wait (a poll, or a send that the system cut short after
// the same time) saw nothing move: 1 to wait on, 0 to give up.
int SchedulerConnection::KeepWaiting(http_t*, void* self) {
    auto* connection = static_cast<SchedulerConnection*>(self);
    if (connection->StopAsked()) {
        connection->stopped_ = true;
        return 0;
    }
    const Clock::time_point now = Clock::now();
    const bool go_on = connection->silence_allowed_
                           ? now - connection->last_progress_ < connection->budget_
                           : now < connection->deadline_;
    if (!go_on)
        connection->timed_out_ = true;
    return go_on ? 1 : 0;
}

SchedulerConnection::Trouble SchedulerConnection::What() const {
    if (stopped_)
        return Trouble::Stopped;
    if (timed_out_)
        return Trouble::TimedOut;
    const int error = httpError(http_);
    if (httpGetStatus(http_) != HTTP_STATUS_ERROR && error == 0)
        return Trouble::None;
    return IsClosed(error) ? Trouble::Closed : Trouble::Failed;
}

std::wstring SchedulerConnection::Reason() const { return ErrorWords(httpError(http_)); }

CupsScheduler::CupsScheduler(SpoolerDeadlines deadlines) : deadlines_(deadlines) {}

CupsScheduler::CupsScheduler(SpoolerDeadlines deadlines, std::string host, int port,
                             http_encryption_t encryption)
    : deadlines_(deadlines), host_(std::move(host)), port_(port), encryption_(encryption) {}

const char* CupsScheduler::Host() const { return host_ ? host_->c_str() : cupsServer(); }

int CupsScheduler::Port() const { return host_ ? port_ : ippPort(); }

std::shared_ptr<CupsScheduler> CupsScheduler::Shared() {
    static const std::shared_ptr<CupsScheduler> shared =
        std::make_shared<CupsScheduler>(SpoolerDeadlines::FromEnvironment());
    return shared;
}

std::wstring CupsScheduler::Address() const {
    const char* server = Host();
    std::string address = server != nullptr ? server : "";
    if (address.empty() || address.front() != '/')
        address += ":" + std::to_string(Port());
    return FromNative(address);
}

std::wstring CupsScheduler::Unreachable(const std::wstring& cause) const {
    return L"could not reach the scheduler at " + Address() + L": " + cause;
}

std::unique_ptr<SchedulerConnection> CupsScheduler::Connect(std::wstring& why) {
    if (Clock::now() < silent_until_) {
        why = silence_;
        return nullptr;
    }
    auto connection = ConnectUntil(Clock::now() + deadlines_.lookup, deadlines_.lookup, why);
    if (!connection && timed_out_connecting_)
        why = RememberSilence(std::move(why));
    return connection;
}

std::wstring CupsScheduler::RememberSilence(std::wstring why) {
    silence_ = std::move(why);
    silent_until_ = Clock::now() + deadlines_.command_line_run;
    return silence_;
}

std::unique_ptr<SchedulerConnection> CupsScheduler::ConnectUntil(Clock::time_point deadline,
                                                                 Milliseconds budget,
                                                                 std::wstring& why) {
    // Created without connecting (a wait of 0), so that the connect has the deadline too.
    http_t* http = httpConnect2(Host(), Port(), nullptr, AF_UNSPEC,
                                host_ ? encryption_ : cupsEncryption(), 1, 0, nullptr);
    if (http == nullptr) {
        why = Unreachable(L"its address could not be resolved");
        return nullptr;
    }
    timed_out_connecting_ = false;
    auto connection = std::make_unique<SchedulerConnection>(http);
    connection->WaitUntil(deadline, budget);
    const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now());
    const int wait = static_cast<int>(std::max(left, Milliseconds(1)).count());
    if (httpReconnect2(http, wait, nullptr) != 0) {
        const auto after = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now());
        const int error = ConnectError(Host(), Port(), std::clamp(after, Milliseconds(0), kPoll));
        timed_out_connecting_ = error == ETIMEDOUT;
        why = Unreachable(timed_out_connecting_ ? L"timed out after " + DurationText(budget)
                                                : ErrorWords(error));
        return nullptr;
    }
    return connection;
}

std::optional<std::wstring> CupsScheduler::LookupFailure(const SchedulerConnection& connection) {
    switch (connection.What()) {
    case SchedulerConnection::Trouble::None:
        return std::nullopt;
    case SchedulerConnection::Trouble::Stopped:
        return L"the wait for the scheduler was given up";
    case SchedulerConnection::Trouble::TimedOut:
        return RememberSilence(Unreachable(L"timed out after " + DurationText(connection.Budget())));
    case SchedulerConnection::Trouble::Closed:
        return L"the scheduler at " + Address() + L" closed the connection";
    case SchedulerConnection::Trouble::Failed:
        break;
    }
    return Unreachable(connection.Reason());
}

}  // namespace ks
