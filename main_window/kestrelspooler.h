// The main window object: the program's state, its start-up and the handlers of its events.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/printers.h"
#include "platform/process.h"
#include "platform/settings.h"
#include "platform/spooler.h"
#include "platform/window_system.h"
#include "printing/job_report.h"
#include "printing/job_watch.h"
#include "printing/printer_selection.h"
#include "progress/progress_window.h"

namespace ks {

// The platform services the program runs on.
struct Services {
    InstalledPrinters& printers;
    Spooler& spooler;
    Files& files;
    SettingsStore& settings;
    Process& process;
    MessageBoxService& messages;
    WindowSystem& windows;
};

// Said when a window cannot be created, followed by what failed.
inline constexpr std::wstring_view kWindowFailed = L"The window could not be created:";

// Runs `start`, which builds the program's windows and runs them, and returns its exit
// status. A window that cannot be created (CreateForm's WindowError) is shown to the
// user with what failed, and the run ends with status 1.
int RunReportingWindowFailures(MessageBoxService& messages, const std::function<int()>& start);

// Threads: everything here runs on the UI thread. A Print hands the FileBuffer to a
// PrintJob, whose worker thread alone talks to the spooler until the job has ended;
// meanwhile the UI thread waits in WindowSystem::RunUntil, where the windows stay
// alive, and refuses every command of the main window that would touch the printers,
// the buffer or the program's end: Print, File select and Open, drops, Default
// printer, Exit and the close box. The About window stays usable.
class Kestrelspooler : public FormEvents {
public:
    // Throws WindowError when the main window cannot be created. The window is for
    // interactive use only: a command-line run never builds it (RunCommandLine).
    explicit Kestrelspooler(Services services);

    // Start-up, before the window is first shown: fills the printer list, empties the
    // path field and puts the remembered printer into the printer box.
    void Load();

    // The window is closed through its close box: the printer name is remembered.
    void Unload() override;
    // The close box is refused while a job runs.
    bool QueryUnload() override;

    void GetPrinters();

    // Loads the file the path field names into the FileBuffer and shows its size.
    // Reports nothing to the user; returns whether the file was read, and LoadTrouble
    // then says why not. Refused (false, nothing changes) while a job runs.
    bool OpenFi();
    // Why the last load failed, as detail lines: the path and the cause.
    std::vector<std::wstring> LoadTrouble() const;

    // The Print command: sends the FileBuffer to the printer the printer name box
    // names, on a worker thread, while the windows stay alive; a job that runs longer
    // than `pacing.delay` shows its progress and can be cancelled. When the path field
    // names another file than the one loaded (the user typed it), that file is loaded
    // first, as a drop would; when it cannot be read, nothing is sent and the user is
    // told. After the spooler took the job, the job is watched as `watch` says.
    // Returns true when it ended in "Executed!". Refused (false) while a job runs.
    bool Print();

    // The Default printer command: the current printer's name into the printer name box.
    void DefaultPrinter();

    // The user's session ends (log off, shut down) and the program with it: a running
    // job is cancelled as Cancel does, and this returns once the worker has stopped, so
    // that nothing of the job is left to print. Nothing is shown.
    void EndSession();

    void Click(ControlName control) override;
    void Drop(ControlName control, const DropData& data) override;

    const ByteBuffer& FileBuffer() const { return file_buffer_; }
    Form& Window() { return *form_; }
    const PrinterSelection& CurrentPrinter() const { return current_printer_; }
    bool JobRunning() const { return job_ != nullptr; }

    // Wiring for the windows that are not part of the main window itself.
    std::function<void()> on_file_select;
    std::function<void()> on_about;
    // File > Exit: leaves the event loop, so that main returns, whatever windows are
    // open. Nothing is saved: the windows are not closed through their close boxes.
    std::function<void()> on_exit;

    JobPacing pacing;
    JobWatch watch;

private:
    bool SelectPrinter(const std::wstring& name);
    // Sends the FileBuffer to `device_name` on a worker and waits, showing the job.
    JobResult SendFileBuffer(const std::wstring& device_name);
    // Detail lines on standard error, then the box.
    void Tell(const JobReport& report);
    // Lines on standard error that say why something failed.
    void Detail(const std::vector<std::wstring>& lines);

    Services services_;
    PrinterSelection current_printer_;
    std::unique_ptr<Form> form_;
    ByteBuffer file_buffer_;
    std::wstring loaded_path_;  // the path the FileBuffer was read from; "" when empty
    std::wstring tried_path_;   // the path the last load tried
    std::wstring load_cause_;   // why that load failed
    PrintJob* job_ = nullptr;             // while one runs
    JobProgress* job_progress_ = nullptr;  // while a job runs
};

}  // namespace ks
