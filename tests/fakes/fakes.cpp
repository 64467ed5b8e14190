// In-memory platform services for the unit tests, with a record of what the core asked of them.
#include "tests/fakes/fakes.h"

#include <algorithm>
#include <thread>

namespace ks::fakes {

const char* StepName(Step step) {
    switch (step) {
    case Step::Open: return "Open";
    case Step::StartDoc: return "StartDoc";
    case Step::StartPage: return "StartPage";
    case Step::Write: return "Write";
    case Step::EndPage: return "EndPage";
    case Step::EndDoc: return "EndDoc";
    case Step::Abort: return "Abort";
    case Step::Close: return "Close";
    }
    return "?";
}

namespace {

class FakePrinter : public SpoolerPrinter {
public:
    FakePrinter(FakeSpooler& spooler, std::wstring name) : s_(spooler), name_(std::move(name)) {}

    bool StartDoc(const DocInfo& doc) override {
        s_.doc = doc;
        return Step_(Step::StartDoc);
    }
    bool StartPage() override { return Step_(Step::StartPage); }
    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        if (s_.before_step)
            s_.before_step(Step::Write);
        s_.calls.push_back({Step::Write, name_, size});
        if (s_.fail_at == Step::Write)
            return 0;
        if (s_.writes_before_stall >= 0 && writes_++ >= s_.writes_before_stall)
            return 0;
        std::uint64_t take = size;
        if (s_.write_limit)
            take = std::min(take, s_.write_limit);
        s_.received.insert(s_.received.end(), data, data + take);
        return take;
    }
    bool EndPage() override { return Step_(Step::EndPage); }
    bool EndDoc() override { return Step_(Step::EndDoc); }
    void Abort() override { Step_(Step::Abort); }
    bool Close() override { return Step_(Step::Close); }
    void StopWaitingWhen(const std::atomic<bool>* stop) override { s_.stop_flag = stop; }
    JobFate Watch(WatchUntil until, std::chrono::milliseconds longest,
                  const std::atomic<bool>* stop) override {
        s_.watches.push_back({until, longest});
        if (s_.watch_until_stopped) {
            while (!(stop && stop->load()))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return {JobFate::State::Stopped, {}};
        }
        return s_.fate;
    }
    bool CancelJob() override {
        ++s_.jobs_cancelled;
        if (!s_.cancel_job_works)
            s_.last_error = L"job 7 is left in the queue";
        return s_.cancel_job_works;
    }
    Trace JobTrace() const override { return s_.trace; }

private:
    bool Step_(Step step) {
        if (s_.before_step)
            s_.before_step(step);
        s_.calls.push_back({step, name_});
        return s_.fail_at != step;
    }
    FakeSpooler& s_;
    std::wstring name_;
    int writes_ = 0;
};

}  // namespace

std::unique_ptr<SpoolerPrinter> FakeSpooler::OpenPrinter(const std::wstring& name) {
    if (before_step)
        before_step(Step::Open);
    calls.push_back({Step::Open, name});
    const bool known_name =
        known.empty() || std::find(known.begin(), known.end(), name) != known.end();
    if (fail_at == Step::Open || !known_name) {
        last_error = L"The printer or class does not exist.";
        return nullptr;
    }
    return std::make_unique<FakePrinter>(*this, name);
}

std::vector<Step> FakeSpooler::Steps() const {
    std::vector<Step> steps;
    for (const Call& c : calls)
        steps.push_back(c.step);
    return steps;
}

std::vector<std::wstring> FakePrinters::List() {
    ++lists;
    last_error_ = unreachable;
    return unreachable.empty() ? installed : std::vector<std::wstring>();
}

std::optional<bool> FakePrinters::Has(const std::wstring& device_name) {
    looked_up.push_back(device_name);
    last_error_ = unreachable.empty() ? lookup_failure : unreachable;
    if (!last_error_.empty())
        return std::nullopt;
    return std::find(installed.begin(), installed.end(), device_name) != installed.end();
}

std::optional<std::wstring> FakePrinters::SystemDefault() {
    last_error_ = unreachable;
    return unreachable.empty() ? system_default : std::nullopt;
}

FileRead FakeFiles::Read(const std::wstring& path) {
    asked.push_back(path);
    auto it = files.find(path);
    if (it == files.end())
        return {std::nullopt, L"no such file"};
    return {ByteBuffer::Copy(it->second.data(), it->second.size()), {}};
}

std::optional<std::wstring> FakeFiles::WhyNoFile(const std::wstring& path) {
    if (std::find(folders.begin(), folders.end(), path) != folders.end())
        return L"it is a folder";
    if (files.count(path) == 0)
        return L"there is no such file";
    return std::nullopt;
}

namespace {

class FakeFileReader : public FileReader {
public:
    FakeFileReader(std::vector<std::uint8_t> bytes, std::uint64_t piece, std::optional<std::uint64_t> fails_at,
                   std::optional<std::uint64_t> size)
        : bytes_(std::move(bytes)), piece_(piece), fails_at_(fails_at), size_(size) {}
    std::optional<std::uint64_t> Read(std::uint8_t* out, std::uint64_t max) override {
        if (fails_at_ && at_ >= *fails_at_)
            return std::nullopt;
        std::uint64_t n = std::min({max, piece_, bytes_.size() - at_});
        if (fails_at_)
            n = std::min(n, *fails_at_ - at_);
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), n, out);
        at_ += n;
        return n;
    }
    std::optional<std::uint64_t> ReportedSize() const override { return size_; }
    std::wstring Why() const override { return L"input/output error"; }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t piece_;
    std::optional<std::uint64_t> fails_at_;
    std::optional<std::uint64_t> size_;
    std::uint64_t at_ = 0;
};

}  // namespace

std::unique_ptr<FileReader> FakeFiles::OpenReader(const std::wstring& path) {
    asked.push_back(path);
    auto it = files.find(path);
    if (it == files.end())
        return nullptr;
    return std::make_unique<FakeFileReader>(it->second, piece, read_fails_at, it->second.size());
}

std::unique_ptr<FileReader> FakeFiles::OpenStandardInput() {
    if (!standard_input)
        return nullptr;
    return std::make_unique<FakeFileReader>(*standard_input, piece, read_fails_at, std::nullopt);
}

std::wstring FakeSettings::Key(const std::wstring& app, const std::wstring& section,
                               const std::wstring& key) {
    return app + L"/" + section + L"/" + key;
}

std::wstring FakeSettings::Get(const std::wstring& app, const std::wstring& section,
                               const std::wstring& key) {
    last_error_ = unreadable;
    if (!unreadable.empty())
        return L"";
    auto it = values.find(Key(app, section, key));
    return it == values.end() ? L"" : it->second;
}

bool FakeSettings::Save(const std::wstring& app, const std::wstring& section,
                        const std::wstring& key, const std::wstring& value) {
    ++saves;
    last_error_ = unreadable;
    if (!unreadable.empty())
        return false;
    values[Key(app, section, key)] = value;
    return true;
}

std::wstring FakeSettings::Remembered() const {
    auto it = values.find(Key(L"Kestrelspooler", L"STARTUP", L"Drucker"));
    return it == values.end() ? L"" : it->second;
}

// A form that leaves the list of live forms when it goes.
class FakeWindowSystem::Tracked : public HeadlessForm {
public:
    Tracked(const FormLayout& layout, std::vector<Entry>& live) : HeadlessForm(layout), live_(live) {}
    ~Tracked() override {
        std::erase_if(live_, [this](const Entry& e) { return e.form == this; });
    }

private:
    std::vector<Entry>& live_;
};

std::unique_ptr<Form> FakeWindowSystem::CreateForm(const FormLayout& layout, FormEvents& events) {
    auto form = std::make_unique<Tracked>(layout, live_);
    const std::wstring name(layout.name.View());
    live_.push_back({name, form.get(), &events});
    ++made_[name];
    return form;
}

void FakeWindowSystem::RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                                std::chrono::milliseconds interval) {
    HeadlessWindowSystem::RunUntil(
        done,
        [&] {
            tick();
            if (after_tick)
                after_tick();
        },
        interval);
}

HeadlessForm* FakeWindowSystem::Find(ControlName form) const {
    for (const Entry& e : live_)
        if (e.name == form.View())
            return e.form;
    return nullptr;
}

FormEvents* FakeWindowSystem::EventsOf(ControlName form) const {
    for (const Entry& e : live_)
        if (e.name == form.View())
            return e.events;
    return nullptr;
}

int FakeWindowSystem::Made(ControlName form) const {
    const auto it = made_.find(std::wstring(form.View()));
    return it == made_.end() ? 0 : it->second;
}

}  // namespace ks::fakes
