// How a running print job is shown: the modal progress window with its Cancel button, or a meter on a terminal.
#include "progress/progress_window.h"

#include "common/prompt_pause.h"
#include "progress/progress_form.h"
#include "progress/progress_text.h"
#include "texts/program_texts.h"

namespace ks {

namespace pf = progress_form;

ProgressWindow::ProgressWindow(std::wstring file_name, std::function<void()> cancel)
    : file_name_(std::move(file_name)), cancel_(std::move(cancel)) {}

void ProgressWindow::Open(WindowSystem& windows, Form& owner) {
    const std::wstring title = ProgressTitle(file_name_);
    form_ = windows.CreateForm(ProgressFormLayout(title, file_name_), *this);
    form_->ShowModal(&owner);
}

void ProgressWindow::Show(std::uint64_t sent, std::uint64_t total) {
    if (!form_)
        return;
    std::wstring text = SentOfTotalText(sent, total);
    if (text != shown_) {
        form_->SetText(pf::lblSent, text);
        shown_ = std::move(text);
    }
    form_->SetProgress(pf::prgSent, ProgressValue(sent, total));
}

void ProgressWindow::ShowWaiting() {
    if (!form_ || shown_ == texts::kWaitingForPrinter)
        return;
    shown_ = texts::kWaitingForPrinter;
    form_->SetText(pf::lblSent, shown_);
    form_->SetProgress(pf::prgSent, kProgressFull);
}

void ProgressWindow::Close() {
    if (form_)
        form_->Close();
    form_.reset();
}

void ProgressWindow::Click(ControlName control) {
    if (control == pf::cmdCancel)
        cancel_();
}

bool ProgressWindow::QueryUnload() {
    // The close box means Cancel. The window goes once the job has stopped, so that it
    // never looks as if the job had ended while the spooler still has it.
    cancel_();
    return false;
}

TerminalMeter::TerminalMeter(Process& process, std::wstring file_name)
    : process_(process), file_name_(std::move(file_name)) {}

void TerminalMeter::Show(std::uint64_t sent, std::uint64_t total) {
    std::wstring line = MeterLine(file_name_, sent, total, kMeterWidth);
    if (line == line_)
        return;
    // A shorter line than the last leaves nothing of it behind.
    const std::size_t wipe = line_.size() > line.size() ? line_.size() - line.size() : 0;
    process_.ErrorText(L"\r" + line + std::wstring(wipe, L' '));
    line_ = std::move(line);
}

void TerminalMeter::Clear() {
    if (line_.empty())
        return;
    process_.ErrorText(L"\r" + std::wstring(line_.size(), L' ') + L"\r");
    line_.clear();
}

JobProgress::JobProgress(WindowSystem& windows, Process& process, Form& owner, std::wstring file_name,
                         PrintJob& job, const JobPacing& pacing)
    : windows_(windows), process_(process), owner_(owner), file_name_(std::move(file_name)), job_(job),
      pacing_(pacing), started_(pacing.now()) {}

void JobProgress::Begin() {
    begun_ = true;
    if (windows_.CanShow()) {
        window_.emplace(file_name_, [this] { job_.Cancel(); });
        try {
            window_->Open(windows_, owner_);
        } catch (const WindowError& failure) {
            // The job goes on without it; it simply cannot be cancelled.
            window_.reset();
            process_.ErrorLine(L"the progress window could not be opened: " + failure.What());
        }
    } else if (process_.ErrorIsTerminal()) {
        meter_.emplace(process_, file_name_);
    }
}

void JobProgress::Tick() {
    // A question put to the person (a password) is shown from here, and while it stands
    // the meter and the window keep out of its way.
    PromptPause::Shared().RunPosted();
    if (PromptPause::Shared().Standing())
        return;
    if (!begun_) {
        if (job_.Finished() || job_.Watching() || pacing_.now() - started_ < pacing_.delay)
            return;
        Begin();
    }
    const std::uint64_t sent = job_.Sent();
    if (window_) {
        if (job_.Watching())
            window_->ShowWaiting();
        else
            window_->Show(sent, job_.Total());
    }
    if (meter_)
        PromptPause::Shared().Draw([&] { meter_->Show(sent, job_.Total()); });
}

void JobProgress::Finish() {
    PromptPause::Shared().RunPosted();  // a question given up goes from the screen
    if (window_)
        window_->Close();
    window_.reset();
    if (meter_)
        meter_->Clear();
    meter_.reset();
}

}  // namespace ks
