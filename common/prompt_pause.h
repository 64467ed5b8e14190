// Keeps the progress meter and window out of the way of a question put to the person (a password).
#pragma once

#include <functional>
#include <mutex>
#include <vector>

namespace ks {

// One for the program: the prompt (on the job's worker) marks its question as standing,
// and the job's progress (on the UI thread) draws nothing new meanwhile. It also carries
// work from the worker to the UI thread, which runs it at its next progress tick: a
// window can only be shown there.
class PromptPause {
public:
    static PromptPause& Shared();

    // A question stands from Begin to End. Begin waits for a meter line being drawn and
    // says whether the meter has drawn a line since the last question: the question then
    // starts on a line of its own, and the meter's line stays above it.
    bool Begin();
    void End();
    bool Standing() const;

    // Runs `draw` (the meter's redraw) unless a question stands; false when it did not.
    bool Draw(const std::function<void()>& draw);

    // Any thread: `work` runs on the UI thread at its next RunPosted.
    void Post(std::function<void()> work);
    // The UI thread, at each progress tick: runs what was posted, in order.
    void RunPosted();

private:
    mutable std::mutex mutex_;
    bool standing_ = false;
    bool drawn_ = false;
    std::vector<std::function<void()>> posted_;
};

// A question that stands while this lives.
class PromptStanding {
public:
    PromptStanding() : after_meter_line(PromptPause::Shared().Begin()) {}
    ~PromptStanding() { PromptPause::Shared().End(); }
    PromptStanding(const PromptStanding&) = delete;
    PromptStanding& operator=(const PromptStanding&) = delete;

    const bool after_meter_line;
};

}  // namespace ks
