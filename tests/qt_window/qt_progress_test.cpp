// The progress window on Qt: its bar, its modality, Esc and the close box, and the wait that keeps the windows alive.
#include <atomic>
#include <thread>

#include <QApplication>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "fakes/form_contract.h"
#include "main_window/main_form.h"
#include "platform/qt/qt_form.h"
#include "progress/progress_form.h"

namespace {

namespace mf = ks::main_form;
namespace pf = ks::progress_form;
using namespace std::chrono_literals;
using Recorder = ks::fakes::RecordedEvents;

QPoint Centre(QWidget* w) { return w->mapTo(w->window(), w->rect().center()); }

class ProgressWindowTest : public testing::Test {
protected:
    void SetUp() override {
        main_ = std::make_unique<ks::QtForm>(ks::MainFormLayout(), main_events_);
        main_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main_->Window()));
        progress_ = std::make_unique<ks::QtForm>(ks::ProgressFormLayout(L"Printing fw.bin", L"fw.bin"), events_);
    }
    void TearDown() override {
        progress_.reset();
        main_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Recorder main_events_, events_;
    std::unique_ptr<ks::QtForm> main_, progress_;
};

TEST_F(ProgressWindowTest, FollowsTheProgressBarRulesWithANativeBar) {
    ks::fakes::ExpectProgressBarRules(*progress_);
    auto* bar = qobject_cast<QProgressBar*>(progress_->Widget(pf::prgSent));
    ASSERT_NE(bar, nullptr);
    progress_->SetProgress(pf::prgSent, 250);
    EXPECT_EQ(bar->value(), 250);
    EXPECT_EQ(bar->maximum(), ks::kProgressFull);
    EXPECT_EQ(bar->focusPolicy(), Qt::NoFocus);
}

TEST_F(ProgressWindowTest, ModalToItsOwnerWhichTakesNoInputUntilItCloses) {
    progress_->ShowModal(main_.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(progress_->Window()));
    EXPECT_EQ(progress_->Window()->windowTitle(), "Printing fw.bin");
    EXPECT_EQ(progress_->Window()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(progress_->Window()->parentWidget(), main_->Window());
    const QPoint offset = progress_->Window()->frameGeometry().center() - main_->Window()->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << "not centred on its owner";
    EXPECT_EQ(QApplication::focusWidget(), progress_->Widget(pf::cmdCancel));

    // Clicks come to the owner as the window system delivers them: they are blocked.
    QWidget* print = main_->Widget(mf::Command2);
    QTest::mouseClick(main_->Window()->windowHandle(), Qt::LeftButton, {}, Centre(print));
    EXPECT_TRUE(main_events_.events.empty()) << "the owner took a click while the progress window was open";

    progress_->Close();
    QTest::mouseClick(main_->Window()->windowHandle(), Qt::LeftButton, {}, Centre(print));
    EXPECT_EQ(main_events_.events, (std::vector<Recorder::Event>{{L"Click", L"Command2"}}));
}

TEST_F(ProgressWindowTest, WithoutAnOwnerOnScreenModalToTheProgramAndCentredOnTheScreen) {
    ks::HeadlessForm never_shown(ks::MainFormLayout());
    for (ks::Form* owner : {static_cast<ks::Form*>(nullptr), static_cast<ks::Form*>(&never_shown)}) {
        SCOPED_TRACE(owner ? "an owner in memory" : "no owner");
        ks::QtForm progress(ks::ProgressFormLayout(L"Printing fw.bin", L"fw.bin"), events_);
        progress.ShowModal(owner);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(progress.Window()));
        EXPECT_EQ(progress.Window()->windowModality(), Qt::ApplicationModal);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE((progress.Window()->frameGeometry().center() - screen.center()).manhattanLength(), 2);
    }
}

TEST_F(ProgressWindowTest, EscPressesCancelAndTheCloseBoxAsksFirst) {
    progress_->ShowModal(main_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(progress_->Window()));
    QTest::keyClick(progress_->Window()->windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(events_.events, (std::vector<Recorder::Event>{{L"Click", L"cmdCancel"}}));

    events_.events.clear();
    events_.refuse_unload = true;
    progress_->Window()->windowHandle()->close();  // as the window manager's close box does
    EXPECT_EQ(events_.unload_queries, 1);
    EXPECT_TRUE(events_.events.empty()) << "a refused close reported Unload";
    EXPECT_TRUE(progress_->IsOpen());
}

TEST(QtWindowSystemWait, RunsTheEventLoopTicksAndEndsAtAWakeFromAnotherThread) {
    ks::QtWindowSystem windows;
    int ticks = 0;
    bool timer_fired = false;
    QTimer::singleShot(0, [&] { timer_fired = true; });
    windows.RunUntil([&] { return ticks == 3; }, [&] { ++ticks; }, 10ms);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(timer_fired) << "events waited while RunUntil ran";

    // A tick far off: only the worker's Wake can end the wait in time.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(50ms);
        done = true;
        windows.Wake();
    });
    const auto start = std::chrono::steady_clock::now();
    windows.RunUntil([&] { return done.load(); }, [] {}, 60s);
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "the wait did not end at the Wake";
}

}  // namespace
