// The program started with arguments: it prints the files they name (or lists the printers) and ends.
#include "main_window/command_line_run.h"

#include <algorithm>
#include <optional>

#include "printing/byte_source.h"
#include "printing/failure_details.h"
#include "printing/print_job.h"
#include "printing/printer_address.h"
#include "printing/printer_selection.h"
#include "progress/progress_text.h"
#include "table_form/headless_form.h"
#include "texts/program_texts.h"

#ifndef KS_VERSION
#error "KS_VERSION (the program's version) is set by the build"
#endif

namespace ks {

namespace {

constexpr const wchar_t* kVersionLine = L"kestrelspooler " KS_VERSION;

using Action = CommandLineRequest::Action;

// The main window's stand-in, which the progress window is modal to: never shown, and
// so it reports no events.
class NoEvents : public FormEvents {
public:
    void Click(ControlName) override {}
    void Drop(ControlName, const DropData&) override {}
    void Unload() override {}
};

const FormLayout& OwnerLayout() {
    static const FormLayout layout{.name = ControlName(L"frmCommandLine"),
                                   .title = texts::kProgramTitle,
                                   .client_width = 0,
                                   .client_height = 0,
                                   .border = BorderStyle::FixedDialog,
                                   .system_background = false,
                                   .icon = L"",
                                   .menus = {},
                                   .controls = {}};
    return layout;
}

// "The file could not be read." as the part of a line about one file.
std::wstring InLine(const std::wstring& text) {
    std::wstring part = text;
    if (!part.empty() && part.back() == L'.')
        part.pop_back();
    if (!part.empty() && part.front() >= L'A' && part.front() <= L'Z')
        part.front() = static_cast<wchar_t>(part.front() - L'A' + L'a');
    return part;
}

class CommandLineRun {
public:
    CommandLineRun(Services& services, CommandLineRequest request, const JobPacing& pacing)
        : services_(services), request_(std::move(request)), pacing_(pacing),
          terminal_(services.process.ErrorIsTerminal()), owner_(memory_.CreateForm(OwnerLayout(), no_events_)),
          // On a terminal the answer and the meter go there, even with a display.
          windows_(terminal_ ? memory_ : services.windows), printer_(services.printers) {}

    int Run();

private:
    // The file opened for reading, or its report when it cannot be read.
    std::unique_ptr<FileReader> Open(const std::wstring& file, const std::wstring& name,
                                     std::optional<JobReport>& failure);
    // `cancelled`: the job was stopped before it was released, nothing of it printed.
    JobReport Send(ByteSource& source, const std::wstring& progress_name, bool& cancelled);
    void Answer(const JobReport& report);

    Services& services_;
    const CommandLineRequest request_;
    const JobPacing& pacing_;
    const bool terminal_;
    HeadlessWindowSystem memory_;
    NoEvents no_events_;
    std::unique_ptr<Form> owner_;
    WindowSystem& windows_;
    PrinterSelection printer_;
    std::optional<std::wstring> device_;  // the printer, once looked up
};

int CommandLineRun::Run() {
    Process& process = services_.process;
    std::wstring printer_name;
    std::vector<std::wstring> settings_lines;
    bool nothing_remembered = false;
    if (request_.printer) {
        printer_name = *request_.printer;
    } else {
        printer_name = services_.settings.Get(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey);
        const std::wstring trouble = services_.settings.LastError();
        settings_lines = Lines(trouble);
        // An empty name read without trouble: nothing was ever remembered, as on a first run.
        nothing_remembered = trouble.empty() && printer_name.empty();
    }
    const auto with_settings_lines = [&settings_lines](JobReport report) {
        report.details.insert(report.details.begin(), settings_lines.begin(), settings_lines.end());
        return report;
    };

    const std::vector<std::wstring> files =
        FilesToPrint(request_.files, process.CommandLine(),
                     [this](const std::wstring& file) { return !services_.files.WhyNoFile(file); });
    std::vector<FileReport> reports;
    bool stopped = false;
    for (std::size_t i = 0; i < files.size() && !stopped; ++i) {
        const std::wstring& file = files[i];
        const bool standard_input = file == kStandardInput;
        const std::wstring name = standard_input ? std::wstring(texts::kStandardInputName) : L"\"" + file + L"\"";
        std::optional<JobReport> failure;
        std::unique_ptr<FileReader> reader = Open(file, name, failure);
        if (process.Interruption() != 0) {
            stopped = true;  // nothing of this file was sent
            break;
        }
        if (!reader) {
            reports.push_back({name, *failure});
            continue;
        }
        if (!device_) {
            // Nothing can be sent to a name no printer has; saying "Executed!" here would
            // claim a job that never existed.
            // A printer's address goes to the spooler as it is, when no installed printer
            // has that name.
            const bool installed = printer_.Select(printer_name);
            if (!installed && !LooksLikeAddress(printer_name)) {
                const JobReport report = with_settings_lines(
                    ReportUnknownPrinter(printer_name, services_.printers.LastError(), nothing_remembered));
                Answer(report);
                return report.exit_status;
            }
            device_ = installed ? printer_.Current() : printer_name;
            // From here a job may be in the spooler's queue: a request to stop cancels it
            // instead of leaving it there.
            process.CatchInterruptions();
        }
        const std::wstring shown = standard_input ? name : FileNameOf(file, process.PathSeparators());
        bool cancelled = false;
        FileSource source(std::move(reader));
        reports.push_back({name, Send(source, CountedName(shown, i + 1, files.size()), cancelled)});
        // A request that came after the last job was delivered stopped nothing.
        stopped = process.Interruption() != 0 && (cancelled || i + 1 < files.size());
    }
    const int signal = stopped ? process.Interruption() : 0;
    const JobReport report = with_settings_lines(CombineReports(reports, files.size(), signal));
    Answer(report);
    return report.exit_status;
}

std::unique_ptr<FileReader> CommandLineRun::Open(const std::wstring& file, const std::wstring& name,
                                                 std::optional<JobReport>& failure) {
    if (file == kStandardInput) {
        std::unique_ptr<FileReader> reader = services_.files.OpenStandardInput();
        if (!reader)
            failure = ReportFileNotRead({name + L" could not be read"});
        return reader;
    }
    if (file.empty()) {
        failure = ReportFileNotRead({name + L": no file name was given"});
        return nullptr;
    }
    if (const std::optional<std::wstring> why = services_.files.WhyNoFile(file)) {
        failure = ReportFileNotRead({name + L": " + *why});
        return nullptr;
    }
    std::unique_ptr<FileReader> reader = services_.files.OpenReader(file);
    if (!reader)
        failure = ReportFileNotRead(FileNotReadLines(file, L"it could not be opened for reading"));
    return reader;
}

JobReport CommandLineRun::Send(ByteSource& source, const std::wstring& progress_name, bool& cancelled) {
    Process& process = services_.process;
    WindowSystem& windows = windows_;
    // The file is read a piece at a time while it is sent: a run needs no more memory for
    // a file of any size, standard input included.
    PrintJob job(services_.spooler, *device_, source, [&windows] { windows.Wake(); }, WatchFor(request_),
                 pacing_.chunk_bytes);
    std::optional<JobProgress> progress;
    if (!request_.quiet)
        progress.emplace(windows, process, *owner_, progress_name, job, pacing_);
    windows.RunUntil([&job] { return job.Finished(); },
                     [&] {
                         // A request to stop cancels the job as the progress window's Cancel does.
                         if (process.Interruption() != 0 && !job.CancelRequested())
                             job.Cancel();
                         if (progress)
                             progress->Tick();
                     },
                     pacing_.tick);
    if (progress)
        progress->Finish();
    const JobResult& result = job.Wait();
    cancelled = result.outcome == JobOutcome::CancelledByUser;
    return ReportJob(result, job.Total());
}

void CommandLineRun::Answer(const JobReport& report) {
    if (request_.quiet && report.exit_status == 0)
        return;
    Process& process = services_.process;
    for (const std::wstring& line : report.details)
        process.ErrorLine(line);
    if (terminal_)
        process.ErrorLine(report.caption + L": " + report.text);
    else
        services_.messages.Show(report.text, report.caption, Sentences(report.details));
}

int ListPrinters(Services& services) {
    const std::vector<std::wstring> names = services.printers.List();
    if (const std::wstring trouble = services.printers.LastError(); names.empty() && !trouble.empty()) {
        for (const std::wstring& line : Lines(trouble))
            services.process.ErrorLine(line);
        return 1;
    }
    for (const std::wstring& name : names)
        services.process.OutputLine(name);
    return 0;
}

}  // namespace

JobWatch WatchFor(const CommandLineRequest& request) {
    if (!request.wait)
        return JobWatch{};
    return JobWatch{WatchUntil::Completed, request.timeout};
}

JobReport CombineReports(const std::vector<FileReport>& reports, std::size_t count, int stopped_by) {
    if (count == 1 && reports.size() == 1 && stopped_by == 0)
        return reports.front().report;
    const auto printed = static_cast<std::size_t>(
        std::count_if(reports.begin(), reports.end(), [](const FileReport& f) { return f.report.exit_status == 0; }));
    JobReport combined{texts::kExecuted, texts::kExecutedCaption, {}, 0};
    if (stopped_by == 0 && printed == count) {
        for (const FileReport& file : reports)
            combined.details.insert(combined.details.end(), file.report.details.begin(), file.report.details.end());
        return combined;
    }

    const auto failed = [](const FileReport& f) { return f.report.exit_status == 1; };
    auto first = std::find_if(reports.begin(), reports.end(), failed);
    if (first == reports.end())
        first = std::find_if(reports.begin(), reports.end(), [](const FileReport& f) { return f.report.exit_status != 0; });
    if (stopped_by != 0) {
        combined = {texts::kJobCancelled, texts::kProgramTitle, {}, 128 + stopped_by};
    } else if (first != reports.end()) {
        combined = {first->report.text, first->report.caption, {},
                    std::any_of(reports.begin(), reports.end(), failed) ? 1 : first->report.exit_status};
    }
    if (count == 1) {
        if (!reports.empty())
            combined.details = reports.front().report.details;
        return combined;
    }
    combined.details.push_back(std::to_wstring(printed) + L" of " + std::to_wstring(count) + L" files printed");
    for (const FileReport& file : reports) {
        const bool ok = file.report.exit_status == 0;
        combined.details.push_back(file.name + L": " + (ok ? std::wstring(L"printed") : InLine(file.report.text)));
        combined.details.insert(combined.details.end(), file.report.details.begin(), file.report.details.end());
    }
    return combined;
}

int RunCommandLine(Services& services, const std::vector<std::wstring>& arguments, const JobPacing& pacing) {
    Process& process = services.process;
    // Windows programs take "/?" for help; its paths have backslashes.
    const bool windows_conventions = process.PathSeparators().find(L'\\') != std::wstring_view::npos;
    const CommandLineRequest request = ParseArguments(arguments, windows_conventions);
    switch (request.action) {
    case Action::Usage:
        process.ErrorLine(L"kestrelspooler: " + request.error);
        for (const std::wstring& line : Lines(texts::kUsage))
            process.ErrorLine(line);
        return 2;
    case Action::Help:
        for (const std::wstring& line : Lines(texts::kUsage))
            process.OutputLine(line);
        return 0;
    case Action::Version:
        process.OutputLine(kVersionLine);
        return 0;
    case Action::ListPrinters:
        return ListPrinters(services);
    case Action::Print:
        break;
    }
    return CommandLineRun(services, request, pacing).Run();
}

}  // namespace ks
