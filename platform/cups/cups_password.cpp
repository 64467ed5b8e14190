// libcups's password callback on the job's thread: the program's own prompt in place of libcups's.
#include "platform/cups/cups_password.h"

#include <cups/cups.h>

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace ks {

namespace {

using Kind = PromptAnswer::Kind;

struct Asking {
    PasswordPrompt* prompt = nullptr;
    std::wstring printer;
    Milliseconds longest{0};
    const std::atomic<bool>* stop = nullptr;
    int asked = 0;  // questions since the install: after the first, the scheduler refused an answer
    std::optional<std::wstring> unanswered;
    std::string password;  // libcups reads it after the callback returns
};

thread_local Asking asking;

// Wipes the password before its memory goes back.
void Forget(std::string& secret) {
    for (char& c : secret)
        *static_cast<volatile char*>(&c) = '\0';
    secret.clear();
}

const char* AnswerCups(const char*, http_t*, const char*, const char*, void*) {
    Forget(asking.password);
    const std::atomic<bool> never{false};
    const std::atomic<bool>& stop = asking.stop ? *asking.stop : never;
    PromptAnswer answer{Kind::NobodyToAsk, {}};
    if (asking.prompt && !stop.load()) {
        const char* user = cupsUser();
        answer = asking.prompt->Ask(asking.printer, user ? FromNative(user) : std::wstring(),
                                    asking.asked > 0, stop,
                                    std::chrono::steady_clock::now() + asking.longest);
    } else if (stop.load()) {
        answer.kind = Kind::Stopped;
    }
    ++asking.asked;
    const std::wstring quoted = L"the printer \"" + asking.printer + L"\" needs a user name and password";
    switch (answer.kind) {
    case Kind::Given:
        if (!answer.credentials.password.empty()) {
            if (!answer.credentials.user.empty())
                cupsSetUser(ToNative(answer.credentials.user).c_str());
            asking.password = ToNative(answer.credentials.password);
            std::fill(answer.credentials.password.begin(), answer.credentials.password.end(), L'\0');
            asking.unanswered.reset();
            return asking.password.c_str();
        }
        // libcups takes an empty password for a cancel: so does the program.
        [[fallthrough]];
    case Kind::Declined:
    case Kind::Stopped:
        // The person's cancel, or a signal the prompt saw before the job did, is the job's
        // cancel. The flag is the job's own cancel request (JobControl), handed over
        // read-only for waiting; setting it here does what the progress window's Cancel does.
        if (asking.stop)
            const_cast<std::atomic<bool>*>(asking.stop)->store(true);
        asking.unanswered = std::wstring();
        return nullptr;
    case Kind::TimedOut:
        asking.unanswered = quoted + L"; none was given within " + DurationText(asking.longest);
        return nullptr;
    case Kind::NobodyToAsk:
        break;
    }
    asking.unanswered = quoted + L", and there is no display or terminal to ask on";
    return nullptr;
}

}  // namespace

void AskPasswordsOnThisThread(PasswordPrompt* prompt, std::wstring printer, Milliseconds longest) {
    Forget(asking.password);
    asking = Asking{prompt, std::move(printer), longest, nullptr, 0, std::nullopt, {}};
    cupsSetPasswordCB2(&AnswerCups, nullptr);
}

void StopPasswordQuestionsWhen(const std::atomic<bool>* stop) { asking.stop = stop; }

std::optional<std::wstring> TakeUnansweredPassword() { return std::exchange(asking.unanswered, std::nullopt); }

}  // namespace ks
