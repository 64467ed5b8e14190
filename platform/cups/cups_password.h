// libcups's password callback on the job's thread: the program's own prompt in place of libcups's.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "common/deadlines.h"
#include "platform/password_prompt.h"

namespace ks {

// From now on, on the calling thread (libcups keeps its password callback per thread),
// a scheduler's demand for a password is put to `prompt` for the printer `printer`;
// with no prompt (nullptr) it fails at once, and libcups never prompts on the terminal
// by itself. Each question gives up after `longest`. Forgets what an earlier call left.
void AskPasswordsOnThisThread(PasswordPrompt* prompt, std::wstring printer, Milliseconds longest);

// From now on, on the calling thread, a question also gives up once `*stop` reads true.
// `stop` is the job's cancel request: the person's Cancel in the question sets it too,
// so that the job ends as a cancelled one. It outlives the questions.
void StopPasswordQuestionsWhen(const std::atomic<bool>* stop);

// After a request failed on the calling thread: whether it failed for want of a password,
// with the detail line that says so ("" when the person cancelled, which is no failure).
// nullopt when no question went unanswered. Each answer is given once.
std::optional<std::wstring> TakeUnansweredPassword();

}  // namespace ks
