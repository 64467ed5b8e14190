// How a running print job is shown: the modal progress window with its Cancel button, or a meter on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/process.h"
#include "platform/window_system.h"
#include "printing/print_job.h"

namespace ks {

// A job that ends within this time shows nothing: no window flashes for a small file.
inline constexpr std::chrono::milliseconds kProgressDelay{500};
// How often the waiting UI thread looks at the job and redraws what shows it.
inline constexpr std::chrono::milliseconds kProgressTick{50};
// The meter's line fits a terminal of 80 columns.
inline constexpr std::size_t kMeterWidth = 79;

using SteadyClock = std::chrono::steady_clock;

// The pace of a job as it is sent and shown. The tests slow or speed it; the program
// keeps these figures.
struct JobPacing {
    std::chrono::milliseconds delay = kProgressDelay;
    std::chrono::milliseconds tick = kProgressTick;
    std::uint64_t chunk_bytes = kChunkBytes;
    std::function<SteadyClock::time_point()> now = [] { return SteadyClock::now(); };
};

// The progress window of one job. Cancel, Esc and the close box all ask the job to
// stop; the window stays until the job has ended, and the program then closes it.
class ProgressWindow : public FormEvents {
public:
    // `cancel` runs on the UI thread each time the user asks to stop.
    ProgressWindow(std::wstring file_name, std::function<void()> cancel);

    // Builds the window and shows it modal to `owner`. Throws WindowError.
    void Open(WindowSystem& windows, Form& owner);
    void Show(std::uint64_t sent, std::uint64_t total);
    // The spooler has the whole job; the program looks at what becomes of it.
    void ShowWaiting();
    void Close();
    // The open window; nullptr before Open and after Close.
    Form* Window() { return form_.get(); }

    void Click(ControlName control) override;
    void Drop(ControlName, const DropData&) override {}
    bool QueryUnload() override;
    void Unload() override {}

private:
    std::wstring file_name_;
    std::function<void()> cancel_;
    std::unique_ptr<Form> form_;
    std::wstring shown_;  // the "X of Y" last shown
};

// One line on standard error, redrawn in place and wiped at the end.
class TerminalMeter {
public:
    TerminalMeter(Process& process, std::wstring file_name);
    void Show(std::uint64_t sent, std::uint64_t total);
    // Leaves the line empty, the cursor at its start, for whatever is written next.
    void Clear();

private:
    Process& process_;
    std::wstring file_name_;
    std::wstring line_;  // as last drawn; "" when nothing is on the line
};

// Shows a running job on the UI thread, tick by tick: nothing for its first `delay`,
// then the progress window where a person can see one, else the meter where standard
// error is a terminal, else nothing at all. A window that shows while the job is
// watched says that it waits for the printer; a job that was sent whole before its
// window was due shows none while it is watched.
class JobProgress {
public:
    // `owner` is the main window, which the progress window is modal to.
    JobProgress(WindowSystem& windows, Process& process, Form& owner, std::wstring file_name, PrintJob& job,
                const JobPacing& pacing);
    ~JobProgress() { Finish(); }
    JobProgress(const JobProgress&) = delete;
    JobProgress& operator=(const JobProgress&) = delete;

    void Tick();
    // Closes the window or wipes the meter; before any message about the job's end.
    void Finish();

    // The progress window while it is open, for the tests.
    Form* Window() { return window_ ? window_->Window() : nullptr; }

private:
    void Begin();

    WindowSystem& windows_;
    Process& process_;
    Form& owner_;
    std::wstring file_name_;
    PrintJob& job_;
    const JobPacing& pacing_;
    SteadyClock::time_point started_;
    bool begun_ = false;
    std::optional<ProgressWindow> window_;
    std::optional<TerminalMeter> meter_;
};

}  // namespace ks
