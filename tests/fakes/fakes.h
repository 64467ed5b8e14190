// In-memory platform services for the unit tests, with a record of what the core asked of them.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "main_window/kestrelspooler.h"
#include "printing/job_watch.h"
#include "table_form/headless_form.h"

namespace ks {

// How tests show a control's name.
inline void PrintTo(ControlName name, std::ostream* os) {
    *os << std::string(name.View().begin(), name.View().end());
}

}  // namespace ks

namespace ks::fakes {

class FakePrinters : public InstalledPrinters {
public:
    std::vector<std::wstring> installed;
    std::optional<std::wstring> system_default;
    std::wstring unreachable;  // when set, the platform cannot be asked and says this
    std::wstring lookup_failure;  // when set, Has alone gets no answer and says this
    int lists = 0;                        // calls of List
    std::vector<std::wstring> looked_up;  // names Has was asked about

    std::vector<std::wstring> List() override;
    std::optional<bool> Has(const std::wstring& device_name) override;
    std::optional<std::wstring> SystemDefault() override;
    std::wstring LastError() override { return last_error_; }

private:
    std::wstring last_error_;
};

// Spooler steps, in the order a job makes them.
enum class Step { Open, StartDoc, StartPage, Write, EndPage, EndDoc, Abort, Close };
const char* StepName(Step step);

class FakeSpooler : public Spooler {
public:
    struct Call {
        Step step;
        std::wstring printer;
        std::uint64_t size = 0;  // Write: bytes offered
    };
    std::vector<std::wstring> known;  // names the spooler opens; any name when empty
    std::optional<Step> fail_at;      // this step reports failure
    std::uint64_t write_limit = 0;    // when set, a write takes at most this many bytes
    int writes_before_stall = -1;     // when >= 0, writes after this many take nothing
    // Runs as each step begins, on the thread that sends the job: a test can stop the
    // job there (its worker) until the user has acted on the UI thread.
    std::function<void(Step)> before_step;
    const std::atomic<bool>* stop_flag = nullptr;  // what the printer was told to watch
    JobFate fate;                  // what Watch finds
    bool watch_until_stopped = false;  // Watch waits for its stop flag, then says Stopped
    bool cancel_job_works = true;  // what CancelJob answers
    SpoolerPrinter::Trace trace = SpoolerPrinter::Trace::Unknown;
    std::vector<JobWatch> watches;  // each Watch, as asked
    int jobs_cancelled = 0;         // CancelJob calls

    std::vector<Call> calls;
    DocInfo doc;
    std::vector<std::uint8_t> received;  // bytes taken by writes
    std::wstring last_error;

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& name) override;
    std::wstring LastError() override { return last_error; }

    std::vector<Step> Steps() const;
};

class FakeFiles : public Files {
public:
    std::map<std::wstring, std::vector<std::uint8_t>> files;
    std::vector<std::wstring> asked;

    // A path not in `files` fails with "no such file".
    FileRead Read(const std::wstring& path) override;
    // "there is no such file" for a path not in `files`, "it is a folder" for one in `folders`.
    std::optional<std::wstring> WhyNoFile(const std::wstring& path) override;
    std::vector<std::wstring> folders;
    // Readers give a file's bytes in pieces of at most `piece` bytes; a read fails once
    // `read_fails_at` bytes were given. Standard input holds `standard_input` when set.
    std::uint64_t piece = 1u << 20;
    std::optional<std::uint64_t> read_fails_at;
    std::optional<std::vector<std::uint8_t>> standard_input;
    std::unique_ptr<FileReader> OpenReader(const std::wstring& path) override;
    std::unique_ptr<FileReader> OpenStandardInput() override;
};

class FakeSettings : public SettingsStore {
public:
    std::map<std::wstring, std::wstring> values;  // "app/section/key" -> value
    int saves = 0;
    std::wstring unreadable;  // when set, the store cannot be read or written and says this

    static std::wstring Key(const std::wstring& app, const std::wstring& section,
                            const std::wstring& key);
    std::wstring Get(const std::wstring& app, const std::wstring& section,
                     const std::wstring& key) override;
    bool Save(const std::wstring& app, const std::wstring& section, const std::wstring& key,
              const std::wstring& value) override;
    std::wstring LastError() override { return last_error_; }
    std::wstring Remembered() const;

private:
    std::wstring last_error_;
};

class FakeProcess : public Process {
public:
    std::wstring command_line;
    std::wstring current_folder = L"C:\\work";
    std::vector<std::wstring> error_lines;
    std::vector<std::wstring> output_lines;
    bool error_is_terminal = false;
    bool catching = false;                 // CatchInterruptions was called
    std::atomic<int> interruption{0};      // what Interruption reports once catching
    std::optional<int> ended;

    std::wstring CommandLine() override { return command_line; }
    std::vector<std::wstring> Arguments() override { return {}; }
    void OutputLine(const std::wstring& text) override { output_lines.push_back(text); }
    void CatchInterruptions() override { catching = true; }
    int Interruption() override { return catching ? interruption.load() : 0; }
    std::wstring CurrentFolder() override { return current_folder; }
    // The fakes' paths are of both kinds: "C:\\data\\fw.bin" and "/data/fw.bin".
    std::wstring_view PathSeparators() const override { return L"\\/"; }
    void ErrorLine(const std::wstring& text) override { error_lines.push_back(text); }
    bool ErrorIsTerminal() override { return error_is_terminal; }
    void ErrorText(const std::wstring&) override {}
    void End(int status) override {
        if (!ended)
            ended = status;
    }
};

class FakeMessages : public MessageBoxService {
public:
    struct Shown {
        std::wstring text, caption;
        std::vector<std::wstring> details;
    };
    std::vector<Shown> shown;
    void Show(const std::wstring& text, const std::wstring& caption,
              const std::vector<std::wstring>& details = {}) override {
        shown.push_back({text, caption, details});
    }
    // Each box as the command-line run prints it: "CAPTION: TEXT".
    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines;
        for (const Shown& m : shown)
            lines.push_back(m.caption + L": " + m.text);
        return lines;
    }
};

// A control's name as a string, for comparing with what a form recorded.
inline std::wstring NameText(ControlName name) { return std::wstring(name.View()); }

// Records the events a form reports, in order.
struct RecordedEvents : FormEvents {
    struct Event {
        std::wstring kind, control;
        bool has_list = false;
        std::optional<std::wstring> first = std::nullopt;
        friend bool operator==(const Event&, const Event&) = default;
    };
    std::vector<Event> events;
    bool refuse_unload = false;  // what QueryUnload answers: keep the window open
    int unload_queries = 0;

    void Click(ControlName control) override { events.push_back({L"Click", NameText(control)}); }
    bool QueryUnload() override {
        ++unload_queries;
        return !refuse_unload;
    }
    void Drop(ControlName control, const DropData& data) override {
        events.push_back({L"Drop", NameText(control), data.HasFileList(), data.FirstPath()});
    }
    void Unload() override { events.push_back({L"Unload", L""}); }
};

inline void PrintTo(const RecordedEvents::Event& e, std::ostream* os) {
    const auto narrow = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    *os << narrow(e.kind) << "(" << narrow(e.control) << ")" << (e.has_list ? " list " : " ")
        << (e.first ? narrow(*e.first) : "-");
}

class FakeDrop : public DropData {
public:
    bool has_list = false;
    std::optional<std::wstring> first;
    bool HasFileList() const override { return has_list; }
    std::optional<std::wstring> FirstPath() const override { return first; }
};

// The headless window system, which also keeps track of the forms it made, so that a
// test can act on them as the user would (press a button, the close box), and runs a
// step of the test's own after each tick of a wait.
class FakeWindowSystem : public HeadlessWindowSystem {
public:
    std::function<void()> after_tick;  // on the UI thread, after the program's own tick

    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
    bool CanShow() override { return true; }  // a person could see the forms
    void RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                  std::chrono::milliseconds interval) override;

    // The form of that name that is still alive, and the handler of its events;
    // nullptr when there is none.
    HeadlessForm* Find(ControlName form) const;
    FormEvents* EventsOf(ControlName form) const;
    int Made(ControlName form) const;  // how many forms of that name were built

private:
    class Tracked;
    struct Entry {
        std::wstring name;
        HeadlessForm* form;
        FormEvents* events;
    };
    std::vector<Entry> live_;
    std::map<std::wstring, int> made_;
};

// Every fake, wired into one program.
struct FakePlatform {
    FakePrinters printers;
    FakeSpooler spooler;
    FakeFiles files;
    FakeSettings settings;
    FakeProcess process;
    FakeMessages messages;
    FakeWindowSystem windows;

    Services services() {
        return {printers, spooler, files, settings, process, messages, windows};
    }
};

}  // namespace ks::fakes
