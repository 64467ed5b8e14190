// A Print on the worker thread: the progress window after the delay, Cancel at each point, the main window's commands refused meanwhile.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "progress/progress_form.h"

namespace ks {
namespace {

namespace mf = main_form;
namespace pf = progress_form;
using fakes::Step;
using namespace std::chrono_literals;

// Holds the job's worker at a step until the test, on the UI thread, lets it go. The
// wait is bounded: a job never let go fails the test instead of hanging it.
class Gate {
public:
    void Wait() {
        std::unique_lock lock(mutex_);
        held_ = true;
        let_go_.wait_for(lock, 10s, [this] { return open_; });
    }
    bool Held() {
        std::lock_guard lock(mutex_);
        return held_;
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        let_go_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable let_go_;
    bool held_ = false, open_ = false;
};

// The program on the fakes with "/data/fw.bin" (10 bytes, sent in chunks of 4) loaded
// and "Label" in the printer box; the system default printer is "Laser".
struct Program {
    fakes::FakePlatform fake;
    Gate gate;
    std::unique_ptr<Kestrelspooler> app;

    Program() {
        fake.printers.installed = {L"Laser", L"Label"};
        fake.printers.system_default = L"Laser";
        fake.files.files[L"/data/fw.bin"] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        fake.settings.values[fakes::FakeSettings::Key(L"Kestrelspooler", L"STARTUP", L"Drucker")] = L"Label";
        app = std::make_unique<Kestrelspooler>(fake.services());
        app->pacing.delay = 0ms;
        app->pacing.tick = 1ms;
        app->pacing.chunk_bytes = 4;
    }
    void LoadInteractively() {
        app->Load();
        app->Window().SetText(mf::Text2, L"/data/fw.bin");
        ASSERT_TRUE(app->OpenFi());
        app->Window().SetText(mf::Combo1, L"Label");
    }
    // The worker waits at the `nth` call of `step` until the gate opens.
    void HoldAt(Step step, int nth = 1) {
        fake.spooler.before_step = [this, step, nth, count = 0](Step s) mutable {
            if (s == step && ++count == nth)
                gate.Wait();
        };
    }
    HeadlessForm* Progress() { return fake.windows.Find(pf::frmProgress); }
    bool Released() const {
        const auto steps = fake.spooler.Steps();
        return std::find(steps.begin(), steps.end(), Step::EndDoc) != steps.end();
    }
};

TEST(LongJob, TheProgressWindowOpensOnlyAfterHalfASecondModalToTheMainWindow) {
    Program p;
    p.LoadInteractively();
    SteadyClock::time_point now{};
    p.app->pacing.delay = 500ms;
    p.app->pacing.now = [&now] { return now; };
    p.HoldAt(Step::Write, 2);  // the first chunk has gone
    int stage = 0;
    p.fake.windows.after_tick = [&] {
        if (!p.gate.Held() || stage == 3)
            return;
        switch (stage++) {
        case 0:
            EXPECT_EQ(p.Progress(), nullptr);
            now += 499ms;
            break;
        case 1:
            EXPECT_EQ(p.Progress(), nullptr) << "opened before half a second";
            now += 1ms;
            break;
        case 2: {
            HeadlessForm* form = p.Progress();
            ASSERT_NE(form, nullptr) << "not open after half a second";
            EXPECT_TRUE(form->IsOpen());
            EXPECT_EQ(form->ModalOwner(), &p.app->Window());
            EXPECT_EQ(form->Title(), L"Printing fw.bin");
            EXPECT_EQ(form->Text(pf::lblFile), L"fw.bin");
            EXPECT_EQ(form->Text(pf::lblSent), L"4 bytes of 10 bytes");
            EXPECT_EQ(form->Progress(pf::prgSent), 400);
            p.gate.Open();
            break;
        }
        }
    };
    EXPECT_TRUE(p.app->Print());
    EXPECT_EQ(stage, 3);
    EXPECT_EQ(p.fake.messages.Lines(), (std::vector<std::wstring>{L"Message: Executed!"}));
    EXPECT_EQ(p.Progress(), nullptr) << "the window outlived its job";
    EXPECT_EQ(p.fake.windows.Made(pf::frmProgress), 1);
    EXPECT_EQ(p.fake.spooler.received.size(), 10u);
}

TEST(LongJob, CancelOrTheCloseBoxAbortsAtEachPointAndRestoresThePrinter) {
    enum class Action { CancelButton, CloseBox };
    struct Case {
        const char* name;
        Step held_at;
        int nth;
        Action action;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"while the printer opens", Step::Open, 1, Action::CancelButton, {Step::Open, Step::Close}},
        {"before the first chunk", Step::StartPage, 1, Action::CloseBox,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Abort, Step::Close}},
        {"between chunks", Step::Write, 2, Action::CancelButton,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::Write, Step::Abort, Step::Close}},
        {"before the release", Step::EndPage, 1, Action::CloseBox,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::Write, Step::Write, Step::EndPage,
          Step::Abort, Step::Close}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.LoadInteractively();
        p.HoldAt(c.held_at, c.nth);
        bool acted = false;
        p.fake.windows.after_tick = [&] {
            if (acted || !p.gate.Held())
                return;
            ASSERT_NE(p.Progress(), nullptr);
            FormEvents* events = p.fake.windows.EventsOf(pf::frmProgress);
            if (c.action == Action::CancelButton)
                events->Click(pf::cmdCancel);
            else
                EXPECT_FALSE(events->QueryUnload()) << "the window must stay until the job has stopped";
            acted = true;
            p.gate.Open();
        };
        p.app->Click(mf::Command2);
        EXPECT_TRUE(acted);
        EXPECT_EQ(p.fake.spooler.Steps(), c.steps);
        EXPECT_FALSE(p.Released());
        EXPECT_EQ(p.fake.messages.Lines(), (std::vector<std::wstring>{L"Kestrelspooler: The print job was cancelled."}));
        EXPECT_EQ(*p.app->CurrentPrinter().Current(), L"Laser") << "the current printer is restored";
        EXPECT_EQ(p.Progress(), nullptr);
        EXPECT_FALSE(p.app->JobRunning());
    }
}

TEST(LongJob, TheMainWindowsCommandsAreRefusedWhileAJobRunsAndAboutStaysUsable) {
    Program p;
    p.LoadInteractively();
    int file_selects = 0, abouts = 0, exits = 0;
    p.app->on_file_select = [&] { ++file_selects; };
    p.app->on_about = [&] { ++abouts; };
    p.app->on_exit = [&] { ++exits; };
    fakes::FakeDrop drop;
    drop.has_list = true;
    drop.first = L"/data/other.bin";
    p.fake.files.files[L"/data/other.bin"] = {42};
    Kestrelspooler& app = *p.app;
    Form& window = app.Window();

    const struct {
        const char* name;
        std::function<void()> act;
        std::function<bool()> refused;
    } cases[] = {
        {"a second Print", [&] { app.Click(mf::Command2); }, [&] { return app.Print() == false; }},
        {"File select", [&] { app.Click(mf::Command1); }, [&] { return file_selects == 0; }},
        {"File > Open", [&] { app.Click(mf::Open); }, [&] { return file_selects == 0; }},
        {"a drop", [&] { app.Drop(mf::Text2, drop); }, [&] { return window.Text(mf::Text2) == L"/data/fw.bin"; }},
        {"a load", [&] { app.OpenFi(); }, [&] { return app.FileBuffer().size() == 10; }},
        {"Default printer",
         [&] {
             window.SetText(mf::Combo1, L"typed");
             app.Click(mf::Command3);
         },
         [&] { return window.Text(mf::Combo1) == L"typed"; }},
        {"File > Exit", [&] { app.Click(mf::Exit); }, [&] { return exits == 0; }},
        {"the close box", [] {}, [&] { return !app.QueryUnload(); }},
    };
    p.HoldAt(Step::Write, 2);
    bool checked = false;
    p.fake.windows.after_tick = [&] {
        if (checked || !p.gate.Held())
            return;
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            c.act();
            EXPECT_TRUE(c.refused());
        }
        app.Click(mf::About);
        EXPECT_EQ(abouts, 1) << "the About window stays usable";
        checked = true;
        p.gate.Open();
    };
    EXPECT_TRUE(app.Print());
    EXPECT_TRUE(checked);
    const std::vector<Step> steps = p.fake.spooler.Steps();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), Step::Open), 1) << "a second job was started";
    EXPECT_EQ(p.fake.spooler.received.size(), 10u);
    EXPECT_TRUE(app.QueryUnload()) << "the close box works again once the job has ended";
    app.Click(mf::Command3);
    EXPECT_EQ(window.Text(mf::Combo1), L"Laser");
}

}  // namespace
}  // namespace ks
