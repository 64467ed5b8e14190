// Running a blocking call that takes no deadline of its own (a host name lookup) with one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace ks {

// Runs `call` on a helper thread of its own and waits for its result until `deadline`.
// nullopt when the deadline passed first: the helper then goes on alone, and whatever it
// returns late is handed to `discard` (to free it) instead of to anyone. Where no thread
// can be started, `call` runs here and has no deadline.
template <typename Result, typename Call, typename Discard>
std::optional<Result> CallWithDeadline(Call call, Discard discard, std::chrono::steady_clock::time_point deadline) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable done_signal;
        std::optional<Result> result;
        bool abandoned = false;
    };
    auto shared = std::make_shared<Shared>();
    auto run = [shared, call = std::move(call), discard = std::move(discard)]() mutable {
        Result result = call();
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->abandoned) {
            discard(result);
            return;
        }
        shared->result = std::move(result);
        shared->done_signal.notify_all();
    };
    try {
        std::thread(run).detach();
    } catch (const std::system_error&) {
        run();
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->done_signal.wait_until(lock, deadline, [&] { return shared->result.has_value(); })) {
        shared->abandoned = true;
        return std::nullopt;
    }
    return std::move(shared->result);
}

}  // namespace ks
