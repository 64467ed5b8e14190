// A question put to the person while a job runs: the progress keeps out of its way, and the UI thread shows it.
#include <gtest/gtest.h>

#include <thread>

#include "common/prompt_pause.h"
#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "progress/progress_form.h"

namespace ks {
namespace {

namespace mf = main_form;
namespace pf = progress_form;
using fakes::Step;
using namespace std::chrono_literals;

TEST(PromptPause, TheMeterDrawsNothingWhileAQuestionStandsAndTheQuestionKnowsOfALineAboveIt) {
    PromptPause pause;
    int draws = 0;
    const auto draw = [&draws] { ++draws; };
    struct Row {
        const char* name;
        bool drawn_before;  // the meter drew a line before the question
    };
    for (const Row row : {Row{"after a meter line", true}, Row{"on a clean line", false}}) {
        SCOPED_TRACE(row.name);
        draws = 0;
        if (row.drawn_before) {
            EXPECT_TRUE(pause.Draw(draw));
        }
        EXPECT_EQ(pause.Begin(), row.drawn_before);
        EXPECT_TRUE(pause.Standing());
        EXPECT_FALSE(pause.Draw(draw)) << "the meter drew over the question";
        pause.End();
        EXPECT_EQ(draws, row.drawn_before ? 1 : 0);
        EXPECT_FALSE(pause.Begin()) << "nothing was drawn since the last question";
        pause.End();
    }
}

// A job whose worker, at StartDoc, puts a question as a password prompt does: the work
// posted for the UI thread runs there, and no progress window opens while it stands.
TEST(PromptPause, AQuestionOnTheWorkerIsShownByTheUIThreadAndHoldsBackTheProgressWindow) {
    fakes::FakePlatform fake;
    fake.printers.installed = {L"Label"};
    fake.printers.system_default = L"Label";
    fake.files.files[L"/data/fw.bin"] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Kestrelspooler app(fake.services());
    // The job's clock stands still until the question is put; then the window is due.
    std::atomic<int> elapsed_ms{0};
    app.pacing.now = [&elapsed_ms] { return SteadyClock::time_point{} + std::chrono::milliseconds(elapsed_ms.load()); };
    app.pacing.delay = 500ms;
    app.pacing.tick = 1ms;
    app.Load();
    app.Window().SetText(mf::Text2, L"/data/fw.bin");
    ASSERT_TRUE(app.OpenFi());
    app.Window().SetText(mf::Combo1, L"Label");

    const std::thread::id ui = std::this_thread::get_id();
    std::atomic<bool> shown_on_ui{false}, window_while_standing{false}, window{false}, ticked{false};
    fake.spooler.before_step = [&](Step step) {
        if (step == Step::Write) {  // the job waits for its window, once the question is gone
            for (int i = 0; i < 2000 && !window; ++i)
                std::this_thread::sleep_for(1ms);
        }
        if (step != Step::StartDoc)
            return;
        for (int i = 0; i < 2000 && !ticked; ++i)  // the job's progress has begun its watch
            std::this_thread::sleep_for(1ms);
        PromptStanding standing;
        elapsed_ms = 1000;
        std::atomic<bool> shown{false};
        PromptPause::Shared().Post([&] {
            shown_on_ui = std::this_thread::get_id() == ui;
            shown = true;
        });
        for (int i = 0; i < 2000 && !shown; ++i)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(20ms);  // ticks go by while the question stands
    };
    fake.windows.after_tick = [&] {
        ticked = true;
        if (fake.windows.Find(pf::frmProgress))
            (PromptPause::Shared().Standing() ? window_while_standing : window) = true;
    };
    EXPECT_TRUE(app.Print());
    EXPECT_TRUE(shown_on_ui) << "the question was not shown on the UI thread";
    EXPECT_FALSE(window_while_standing) << "the progress window opened over the question";
    EXPECT_EQ(fake.windows.Made(pf::frmProgress), 1) << "the progress window did not follow the question";
}

}  // namespace
}  // namespace ks
