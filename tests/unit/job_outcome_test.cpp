// What became of a job the spooler took, and of a file typed into the path field: the words, the box and the exit status.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "fakes/fakes.h"
#include "main_window/command_line_run.h"
#include "main_window/main_form.h"
#include "printing/failure_details.h"
#include "progress/progress_form.h"

namespace ks {
namespace {

namespace mf = main_form;
namespace pf = progress_form;
using fakes::Step;
using State = JobFate::State;
using Trace = SpoolerPrinter::Trace;
using namespace std::chrono_literals;

const std::wstring kWaiting = L"Kestrelspooler: The job is waiting in the printer's queue.";
const std::wstring kFailedCancelled = L"Kestrelspooler: The print job failed and was cancelled.";
const std::wstring kFailedLeft = L"Kestrelspooler: The print job failed.";

class JobOutcomes : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    std::unique_ptr<Kestrelspooler> app;

    void SetUp() override {
        fake.printers.installed = {L"k-raw"};
        fake.files.files[L"/data/a.pcl"] = {1, 2, 3};
        app = std::make_unique<Kestrelspooler>(fake.services());
        app->Window().SetText(mf::Combo1, L"k-raw");
    }
    void Load(const std::wstring& path) {
        app->Window().SetText(mf::Text2, path);
        ASSERT_TRUE(app->OpenFi());
    }
};

std::function<void(fakes::FakeSpooler&)> NotReleased(Step step, Trace trace, const wchar_t* words) {
    return [=](fakes::FakeSpooler& s) {
        s.fail_at = step;
        s.trace = trace;
        s.last_error = words;
    };
}

// Each outcome in the window, and the same job run from the command line: its exit status,
// and a watch that ends once the job's fate is known.
TEST_F(JobOutcomes, EachOutcomeHasItsTextCaptionStatusAndDetailLines) {
    struct Case {
        const char* name;
        std::function<void(fakes::FakeSpooler&)> arrange;
        std::wstring shown;
        int status;
        std::vector<std::wstring> box_details;
    };
    const Case cases[] = {
        {"printed", [](auto& s) { s.fate = {State::Printed, {L"the printer of k-raw has received all of job 42"}}; },
         L"Message: Executed!", 0, {L"The printer of k-raw has received all of job 42."}},
        {"on its way", [](auto& s) { s.fate = {State::OnItsWay, {L"job 42 is queued for k-raw behind 2 other jobs"}}; },
         L"Message: Executed!", 0, {L"Job 42 is queued for k-raw behind 2 other jobs."}},
        {"waiting",
         [](auto& s) {
             s.fate = {State::Waiting,
                       {L"the queue \"k-raw\" is paused; it prints when resumed: cupsenable k-raw",
                        L"to remove it instead: cancel 42"}};
         },
         kWaiting, 3,
         {L"The queue \"k-raw\" is paused; it prints when resumed: cupsenable k-raw.",
          L"To remove it instead: cancel 42."}},
        {"ended by the spooler", [](auto& s) { s.fate = {State::Failed, {L"the scheduler aborted job 42 on k-raw"}}; },
         kFailedCancelled, 1, {L"The scheduler aborted job 42 on k-raw."}},
        // The job never released: where the spooler's trace says it was left.
        {"not released, cancelled",
         NotReleased(Step::EndDoc, Trace::Cancelled, L"the scheduler accepts no empty document; nothing was printed"),
         kFailedCancelled, 1, {L"The scheduler accepts no empty document; nothing was printed after 3 of 3 bytes."}},
        {"not released, left in the queue",
         NotReleased(Step::EndDoc, Trace::LeftInQueue, L"job 42 is left in the queue of k-raw; remove it with: cancel 42"),
         kFailedLeft, 1, {L"Job 42 is left in the queue of k-raw; remove it with: cancel 42 after 3 of 3 bytes."}},
        {"never created", NotReleased(Step::StartDoc, Trace::NeverCreated, L"the scheduler did not create the job"),
         kFailedLeft, 1, {L"The scheduler did not create the job."}},
    };
    Load(L"/data/a.pcl");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.spooler = {};
        fake.messages.shown.clear();
        fake.process.error_lines.clear();
        c.arrange(fake.spooler);
        app->Print();
        ASSERT_EQ(fake.messages.Lines(), (std::vector<std::wstring>{c.shown}));
        EXPECT_EQ(fake.messages.shown[0].details, c.box_details);
        EXPECT_EQ(fake.process.error_lines.size(), c.box_details.size()) << "the same lines on standard error";
        EXPECT_EQ(fake.spooler.jobs_cancelled, 0) << "a waiting job is left in the queue";

        fake.spooler = {};
        c.arrange(fake.spooler);
        const bool released = !fake.spooler.fail_at;
        Services services = fake.services();
        EXPECT_EQ(RunCommandLine(services, {L"-p", L"k-raw", L"/data/a.pcl"}), c.status);
        ASSERT_EQ(fake.spooler.watches.size(), released ? 1u : 0u);
        if (released) {
            EXPECT_EQ(fake.spooler.watches[0].until, WatchUntil::Known);
            EXPECT_EQ(fake.spooler.watches[0].longest, 10s);
        }
    }
}

// The user cancels while the job is watched: the job is removed from the queue, or, when
// that fails, the run says the job failed and the lines say where it is left.
TEST_F(JobOutcomes, CancelWhileWatchingCancelsTheJobAndTheWindowSaysItWaitsForThePrinter) {
    for (const bool cancel_works : {true, false}) {
        SCOPED_TRACE(cancel_works ? "cancelled" : "left in the queue");
        fake.spooler = {};
        fake.messages.shown.clear();
        fake.spooler.watch_until_stopped = true;
        fake.spooler.cancel_job_works = cancel_works;
        std::atomic<bool> window_open{false};
        // The job is released only once its progress window shows.
        fake.spooler.before_step = [&](Step step) {
            for (int i = 0; step == Step::EndDoc && !window_open && i < 5000; ++i)
                std::this_thread::sleep_for(1ms);
        };
        std::wstring seen;
        fake.windows.after_tick = [&] {
            HeadlessForm* progress = fake.windows.Find(pf::frmProgress);
            if (!progress)
                return;
            window_open = true;
            if (progress->Text(pf::lblSent) == L"Waiting for the printer\u2026" && seen.empty()) {
                seen = progress->Text(pf::lblSent);
                fake.windows.EventsOf(pf::frmProgress)->Click(pf::cmdCancel);
            }
        };
        app->pacing.delay = 0ms;
        app->pacing.tick = 1ms;
        Load(L"/data/a.pcl");
        EXPECT_FALSE(app->Print());
        EXPECT_FALSE(seen.empty()) << "the window never said it waits for the printer";
        EXPECT_EQ(fake.spooler.jobs_cancelled, 1);
        EXPECT_EQ(fake.messages.Lines(),
                  (std::vector<std::wstring>{cancel_works ? L"Kestrelspooler: The print job was cancelled." : kFailedLeft}));
    }
}

TEST_F(JobOutcomes, PrintLoadsATypedPathFirstAndSendsNothingWhenItCannotBeRead) {
    struct Case {
        const char* name;
        std::wstring typed;
        std::vector<std::uint8_t> received;
        std::vector<std::wstring> shown;
        std::vector<std::wstring> details;
        std::wstring size;
    };
    const Case cases[] = {
        {"the loaded file", L"/data/a.pcl", {1, 2, 3}, {L"Message: Executed!"}, {}, L"3"},
        {"a file that is not there", L"/data/gone.prn", {},
         {L"Kestrelspooler: The file could not be read."}, {L"Cannot read \"/data/gone.prn\": no such file."}, L"0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(L"/data/a.pcl");
        fake.spooler = {};
        fake.files.asked.clear();
        fake.messages.shown.clear();
        app->Window().SetText(mf::Text2, c.typed);
        app->Print();
        EXPECT_EQ(fake.spooler.received, c.received);
        EXPECT_EQ(fake.spooler.calls.empty(), c.received.empty()) << "nothing is sent for an unread file";
        EXPECT_EQ(fake.files.asked.size(), c.typed == L"/data/a.pcl" ? 0u : 1u) << "loaded once, as a drop would";
        EXPECT_EQ(fake.messages.Lines(), c.shown);
        EXPECT_EQ(fake.messages.shown.at(0).details, c.details);
        EXPECT_EQ(app->Window().Text(mf::Text1), c.size);
    }
}

TEST(Sentences, BeginWithACapitalAndEndWithAFullStop) {
    EXPECT_EQ(Sentences({L"the printer \"k-reject\" is not accepting jobs", L"", L"Done.", L"why?", L"42 jobs"}),
              (std::vector<std::wstring>{L"The printer \"k-reject\" is not accepting jobs.", L"", L"Done.", L"Why?",
                                         L"42 jobs."}));
}

}  // namespace
}  // namespace ks
