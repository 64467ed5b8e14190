// Asking for a printer's user name and password in a modal Qt box.
#pragma once

#include <memory>

#include "platform/password_prompt.h"

namespace ks {

class QtGui;

// A modal box on the UI thread with the user name, the password (not shown), OK and
// Cancel; Cancel, Esc and the close box decline. While a job's progress window is open,
// the box is its child and leaves it usable, so that the job's Cancel still works; else
// the box is modal to the program. The box goes when the question is given up.
//
// The worker hands the box to the UI thread through PromptPause (common/prompt_pause.h),
// which the UI thread serves at each progress tick while it waits for the job.
class QtPasswordBox : public PasswordPrompt {
public:
    // With `gui`, Qt's GUI starts when the box is first due; without, the box needs a
    // QApplication that runs already. NobodyToAsk when there is none.
    explicit QtPasswordBox(std::shared_ptr<QtGui> gui = nullptr) : gui_(std::move(gui)) {}

    PromptAnswer Ask(const std::wstring& printer, const std::wstring& user, bool again,
                     const std::atomic<bool>& stop,
                     std::chrono::steady_clock::time_point deadline) override;

private:
    std::shared_ptr<QtGui> gui_;
};

}  // namespace ks
