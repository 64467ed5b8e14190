// In-memory platform services for the unit tests, with a record of what the core asked of them.
#include "fakes.h"

#include <algorithm>

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

private:
    bool Step_(Step step) {
        s_.calls.push_back({step, name_});
        return s_.fail_at != step;
    }
    FakeSpooler& s_;
    std::wstring name_;
    int writes_ = 0;
};

}  // namespace

std::unique_ptr<SpoolerPrinter> FakeSpooler::OpenPrinter(const std::wstring& name) {
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
    last_error_ = unreachable;
    return unreachable.empty() ? installed : std::vector<std::wstring>();
}

std::optional<std::wstring> FakePrinters::SystemDefault() {
    last_error_ = unreachable;
    return unreachable.empty() ? system_default : std::nullopt;
}

std::optional<ByteBuffer> FakeFiles::ReadAll(const std::wstring& path) {
    asked.push_back(path);
    auto it = files.find(path);
    if (it == files.end())
        return std::nullopt;
    return ByteBuffer::Copy(it->second.data(), it->second.size());
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

}  // namespace ks::fakes
