// Keeps the progress meter and window out of the way of a question put to the person (a password).
#include "common/prompt_pause.h"

#include <utility>

namespace ks {

PromptPause& PromptPause::Shared() {
    static PromptPause shared;
    return shared;
}

bool PromptPause::Begin() {
    std::lock_guard lock(mutex_);
    standing_ = true;
    return std::exchange(drawn_, false);
}

void PromptPause::End() {
    std::lock_guard lock(mutex_);
    standing_ = false;
}

bool PromptPause::Standing() const {
    std::lock_guard lock(mutex_);
    return standing_;
}

bool PromptPause::Draw(const std::function<void()>& draw) {
    std::lock_guard lock(mutex_);
    if (standing_)
        return false;
    draw();
    drawn_ = true;
    return true;
}

void PromptPause::Post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(work));
}

void PromptPause::RunPosted() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(mutex_);
        work.swap(posted_);
    }
    for (auto& step : work)
        step();
}

}  // namespace ks
