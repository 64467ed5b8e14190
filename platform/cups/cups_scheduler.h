// The CUPS scheduler this program talks to: connections whose every wait has a deadline,
// and the memory that it stopped answering.
#pragma once

#include <cups/http.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "common/deadlines.h"

namespace ks {

// One connection to the scheduler, for one printer list, one open printer or one cancel.
// libcups would otherwise wait on a scheduler that does not answer for as long as it
// likes (a stopped one took five minutes per request); here every wait asks the
// connection whether to go on.
class SchedulerConnection {
public:
    using Clock = std::chrono::steady_clock;

    explicit SchedulerConnection(http_t* http);
    ~SchedulerConnection();
    SchedulerConnection(const SchedulerConnection&) = delete;
    SchedulerConnection& operator=(const SchedulerConnection&) = delete;

    http_t* http() const { return http_; }

    // From now on a wait gives up at `deadline`: `budget` after the exchange began.
    void WaitUntil(Clock::time_point deadline, Milliseconds budget);
    // From now on a wait gives up once `silence` has passed since the last progress:
    // a send that keeps moving may take as long as it needs.
    void AllowSilence(Milliseconds silence);
    // Bytes went over or an answer came: the silence starts again.
    void Progressed() { last_progress_ = Clock::now(); }
    // From now on a wait also gives up once `*stop` reads true: the user cancelled the job.
    void StopWhen(const std::atomic<bool>* stop) { stop_ = stop; }
    bool StopAsked() const { return stop_ && stop_->load(); }

    // What went wrong with the connection itself after a call failed; None when the
    // scheduler answered (with a refusal of its own); Stopped when a wait gave up because
    // the user cancelled, which is nobody's failure.
    enum class Trouble { None, TimedOut, Closed, Failed, Stopped };
    Trouble What() const;
    // The system's reason when What() is Failed, in words: "connection refused".
    std::wstring Reason() const;
    // The deadline that passed when What() is TimedOut.
    Milliseconds Budget() const { return budget_; }

private:
    static int KeepWaiting(http_t* http, void* self);

    http_t* http_;
    Clock::time_point deadline_ = Clock::time_point::max();  // when no silence is allowed
    Clock::time_point last_progress_;
    Milliseconds budget_{0};
    bool silence_allowed_ = false;
    bool timed_out_ = false;
    const std::atomic<bool>* stop_ = nullptr;
    bool stopped_ = false;
};

class CupsScheduler {
public:
    using Clock = std::chrono::steady_clock;

    explicit CupsScheduler(SpoolerDeadlines deadlines);
    // An IPP server named by its address instead of the one CUPS_SERVER names.
    CupsScheduler(SpoolerDeadlines deadlines, std::string host, int port, http_encryption_t encryption);

    // The scheduler the program's printer list and its spooler share, so that silence
    // one of them met spares the other the wait. Its deadlines come from the environment.
    static std::shared_ptr<CupsScheduler> Shared();

    const SpoolerDeadlines& Deadlines() const { return deadlines_; }

    // Where it is: the socket path, or host:port, as CUPS_SERVER or the client
    // configuration names it.
    std::wstring Address() const;

    // A connection for a lookup or the opening of a printer; every wait on it ends
    // `lookup` from now. nullptr, and `why` says so in words for a detail line, when the
    // scheduler cannot be reached, or when it failed to answer a moment ago: it is not
    // waited for again within `command_line_run` of that.
    std::unique_ptr<SchedulerConnection> Connect(std::wstring& why);

    // A connection whose waits end at `deadline`, `budget` after the exchange began,
    // tried even when the scheduler was silent a moment ago: a cancel is worth the wait.
    std::unique_ptr<SchedulerConnection> ConnectUntil(Clock::time_point deadline, Milliseconds budget,
                                                      std::wstring& why);

    // After a lookup on `connection` failed: the words for it when the connection was the
    // cause, and when the scheduler did not answer in time, the memory of that. nullopt
    // when the scheduler answered.
    std::optional<std::wstring> LookupFailure(const SchedulerConnection& connection);

    // "could not reach the scheduler at ADDRESS: CAUSE"
    std::wstring Unreachable(const std::wstring& cause) const;

private:
    // The scheduler did not answer in time: calls in the next `command_line_run` fail at once.
    std::wstring RememberSilence(std::wstring why);

    const char* Host() const;
    int Port() const;

    SpoolerDeadlines deadlines_;
    std::optional<std::string> host_;  // nullopt: the scheduler CUPS_SERVER names
    int port_ = 0;
    http_encryption_t encryption_ = HTTP_ENCRYPTION_IF_REQUESTED;
    Clock::time_point silent_until_ = Clock::time_point::min();
    std::wstring silence_;
    bool timed_out_connecting_ = false;
};

}  // namespace ks
