// The main window object: the program's state, its start-up and the handlers of its events.
#include "main_window/kestrelspooler.h"

#include <algorithm>

#include "printing/failure_details.h"
#include "printing/job_report.h"
#include "printing/printer_address.h"
#include "printing/file_loader.h"
#include "printing/raw_job.h"
#include "texts/program_texts.h"
#include "progress/progress_text.h"
#include "main_window/main_form.h"

namespace ks {

namespace mf = main_form;

namespace {

// Keeps the busy pointer up while a long step runs, whichever way it ends.
class BusyPointer {
public:
    explicit BusyPointer(Form& form) : form_(form) { form_.SetBusy(true); }
    ~BusyPointer() { form_.SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Form& form_;
};

// Points `slot` at `value` while it lives.
template <typename T>
class Running {
public:
    Running(T*& slot, T& value) : slot_(slot) { slot_ = &value; }
    ~Running() { slot_ = nullptr; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    T*& slot_;
};

// What the main window still does while a job runs: nothing that touches the printers,
// the FileBuffer or the program's end.
bool AllowedDuringJob(ControlName control) { return control == mf::Image1 || control == mf::About; }

}  // namespace

int RunReportingWindowFailures(MessageBoxService& messages, const std::function<int()>& start) {
    try {
        return start();
    } catch (const WindowError& failure) {
        // Without this the program would vanish without a word.
        messages.Show(std::wstring(kWindowFailed) + L"\n" + failure.What(), texts::kProgramTitle);
        return 1;
    }
}

Kestrelspooler::Kestrelspooler(Services services)
    : services_(services), current_printer_(services.printers),
      form_(services.windows.CreateForm(MainFormLayout(), *this)) {}

void Kestrelspooler::Load() {
    GetPrinters();
    form_->SetText(mf::Text2, L"");
    form_->SetText(mf::Combo1, services_.settings.Get(texts::kSettingsApp,
                                                      texts::kSettingsSection,
                                                      texts::kSettingsKey));
    Detail(Lines(services_.settings.LastError()));
}

bool Kestrelspooler::QueryUnload() { return !JobRunning(); }

void Kestrelspooler::Unload() {
    services_.settings.Save(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey,
                            form_->Text(mf::Combo1));
    if (const std::wstring trouble = services_.settings.LastError(); !trouble.empty())
        Detail({L"the printer name was not remembered: " + trouble});
}

void Kestrelspooler::GetPrinters() {
    for (const std::wstring& device : services_.printers.List())
        form_->AddItem(mf::Combo1, device);
    const std::optional<std::wstring>& current = current_printer_.Current();
    if (!current)
        return;
    const int count = form_->ItemCount(mf::Combo1);
    for (int i = 0; i < count; ++i) {
        if (form_->Item(mf::Combo1, i) == *current) {
            form_->SetSelectedIndex(mf::Combo1, i);
            return;
        }
    }
}

bool Kestrelspooler::SelectPrinter(const std::wstring& name) { return current_printer_.Select(name); }

bool Kestrelspooler::OpenFi() {
    if (JobRunning())
        return false;  // the worker is reading the FileBuffer
    BusyPointer busy(*form_);
    const std::wstring path = form_->Text(mf::Text2);
    load_cause_.clear();
    const bool loaded = LoadFile(services_.files, path, file_buffer_, &load_cause_);
    loaded_path_ = loaded ? path : std::wstring();
    tried_path_ = path;
    form_->SetText(mf::Text1, ByteCountText(file_buffer_.size()));
    form_->RefreshAll();
    return loaded;
}

std::vector<std::wstring> Kestrelspooler::LoadTrouble() const {
    return FileNotReadLines(tried_path_, load_cause_);
}

JobResult Kestrelspooler::SendFileBuffer(const std::wstring& device_name) {
    WindowSystem& windows = services_.windows;
    PrintJob job(services_.spooler, device_name, file_buffer_, [&windows] { windows.Wake(); }, watch,
                 pacing.chunk_bytes);
    Running<PrintJob> running(job_, job);
    const std::wstring file_name = FileNameOf(loaded_path_, services_.process.PathSeparators());
    JobProgress progress(windows, services_.process, *form_, file_name, job, pacing);
    Running<JobProgress> shown(job_progress_, progress);
    windows.RunUntil([&job] { return job.Finished(); }, [&progress] { progress.Tick(); }, pacing.tick);
    progress.Finish();
    return job.Wait();
}

void Kestrelspooler::EndSession() {
    if (!job_)
        return;
    job_->Cancel();
    job_->Wait();
}

bool Kestrelspooler::Print() {
    if (JobRunning())
        return false;
    // The window shows the path field: that is the file the user means, even when it
    // was typed and never loaded.
    if (form_->Text(mf::Text2) != loaded_path_ && !OpenFi()) {
        Tell(ReportFileNotRead(LoadTrouble()));
        return false;
    }
    const std::optional<std::wstring> saved = current_printer_.Current();
    const std::wstring name = form_->Text(mf::Combo1);
    const bool installed = SelectPrinter(name);
    // A printer's address goes to the spooler as it is, without an installed printer.
    if (!installed && !LooksLikeAddress(name)) {
        // Nothing can be sent to a name no printer has; saying "Executed!" here would
        // claim a job that never existed.
        Tell(ReportUnknownPrinter(form_->Text(mf::Combo1), services_.printers.LastError(), false));
        return false;
    }

    const JobResult result = SendFileBuffer(installed ? *current_printer_.Current() : name);
    // After a refused open the chosen printer stays current: the Default printer command
    // then shows it.
    if (result.outcome != JobOutcome::OpenRefused)
        current_printer_.Restore(saved);
    const JobReport report = ReportJob(result, file_buffer_.size());
    Tell(report);
    return report.exit_status == 0;
}

void Kestrelspooler::Tell(const JobReport& report) {
    Detail(report.details);
    services_.messages.Show(report.text, report.caption, Sentences(report.details));
}

void Kestrelspooler::Detail(const std::vector<std::wstring>& lines) {
    for (const std::wstring& line : lines)
        services_.process.ErrorLine(line);
}

void Kestrelspooler::DefaultPrinter() {
    // With no printer installed there is no name to show; the box keeps its text.
    if (const auto& current = current_printer_.Current())
        form_->SetText(mf::Combo1, *current);
}

void Kestrelspooler::Click(ControlName control) {
    if (JobRunning() && !AllowedDuringJob(control))
        return;
    if (control == mf::Command1 || control == mf::Open) {
        if (on_file_select)
            on_file_select();
    } else if (control == mf::Command2 || control == mf::Print) {
        Print();
    } else if (control == mf::Command3) {
        DefaultPrinter();
    } else if (control == mf::Image1 || control == mf::About) {
        if (on_about)
            on_about();
    } else if (control == mf::Exit) {
        if (on_exit)
            on_exit();
    }
}

// Only the controls the table lets take drops report one (not the Default printer
// button), so every drop here loads.
void Kestrelspooler::Drop(ControlName, const DropData& data) {
    if (JobRunning())
        return;
    if (data.HasFileList()) {
        if (std::optional<std::wstring> first = data.FirstPath())
            form_->SetText(mf::Text2, *first);
    }
    OpenFi();
}

}  // namespace ks
