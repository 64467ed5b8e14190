// The progress window's side of the Win32 window system under Wine: the bar, modal forms, a close box that asks, and the wait for a job.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fakes.h"
#include "fakes/form_contract.h"
#include "main_window/main_form.h"
#include "table_form/headless_form.h"
#include "progress/progress_form.h"
#include "tests/win32_window/form_test_support.h"

#include <windows.h>
#include <commctrl.h>

namespace ks {
namespace {

using test::ClassOf;
using test::Pump;
using test::TextOf;
using win32::Win32Form;
namespace pf = progress_form;

FormLayout Progress() { return ProgressFormLayout(L"Printing fw.bin", L"fw.bin"); }

POINT Centre(HWND hwnd) {
    RECT frame;
    GetWindowRect(hwnd, &frame);
    return {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
}

POINT ScreenCentre(HWND hwnd) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return {(monitor.rcWork.left + monitor.rcWork.right) / 2, (monitor.rcWork.top + monitor.rcWork.bottom) / 2};
}

bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) <= 2 && std::abs(a.y - b.y) <= 2; }

class Win32ModalTest : public testing::Test {
protected:
    std::unique_ptr<Win32Form> Make(const FormLayout& layout, FormEvents& events) {
        return std::make_unique<Win32Form>(GetModuleHandleW(nullptr), layout, events);
    }
    void TearDown() override { Pump(); }
};

TEST_F(Win32ModalTest, TheProgressWindowHasANativeBar) {
    fakes::RecordedEvents events;
    const auto form = Make(Progress(), events);
    form->Show();
    Pump();
    const HWND bar = form->ControlWindow(pf::prgSent);
    EXPECT_EQ(ClassOf(bar), L"msctls_progress32");
    EXPECT_EQ(GetWindowLongW(bar, GWL_STYLE) & WS_TABSTOP, 0);
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, kProgressFull);
    fakes::ExpectProgressBarRules(*form);
    form->SetProgress(pf::prgSent, 375);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 375) << "the native bar itself stands there";

    EXPECT_EQ(TextOf(form->Window()), L"Printing fw.bin");
    EXPECT_EQ(TextOf(form->ControlWindow(pf::lblFile)), L"fw.bin");
    fakes::ExpectNativeFormFollowsItsTable(*form, Progress(), test::ViewOf(*form, Progress()));
}

// The close box asks first; the program's own Close does not.
TEST_F(Win32ModalTest, TheCloseBoxAsksFirstAndARefusalKeepsTheWindowOpen) {
    fakes::RecordedEvents events;
    const auto form = Make(Progress(), events);
    form->Show();
    Pump();
    events.refuse_unload = true;
    SendMessageW(form->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_EQ(events.unload_queries, 1);
    EXPECT_TRUE(events.events.empty()) << "no Unload";
    EXPECT_TRUE(form->IsOpen());
    EXPECT_TRUE(IsWindowVisible(form->Window()));

    events.refuse_unload = false;
    SendMessageW(form->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_EQ(events.unload_queries, 2);
    EXPECT_EQ(events.events, (std::vector<fakes::RecordedEvents::Event>{{L"Unload", L""}}));
    EXPECT_FALSE(IsWindowVisible(form->Window()));

    form->Show();
    form->Close();
    EXPECT_EQ(events.unload_queries, 2) << "the program's own Close asks nothing";
}

TEST_F(Win32ModalTest, ShowModalTakesInputFromTheOwnerOrTheProgramAndGivesItBack) {
    enum class Owner { Shown, InMemory, Hidden };
    const struct {
        const char* name;
        Owner owner;
        bool main_shown;
    } rows[] = {
        {"main window shown: modal to it", Owner::Shown, true},
        {"a main window in memory (the command-line run): modal to the program", Owner::InMemory, true},
        {"a hidden main window: modal to the program, nothing else on screen", Owner::Hidden, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fakes::RecordedEvents main_events, about_events, events;
        const auto main = Make(MainFormLayout(), main_events);
        HeadlessForm in_memory(MainFormLayout());
        if (row.main_shown) {
            main->Show();
            // Away from the screen's centre, where the modal window would land either way.
            SetWindowPos(main->Window(), nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        // A window the program disabled itself stays so after the modal window.
        const auto other = Make(ks::MainFormLayout(), about_events);
        other->Show();
        EnableWindow(other->Window(), FALSE);
        Pump();

        auto modal = Make(Progress(), events);
        Form* owner = row.owner == Owner::InMemory ? static_cast<Form*>(&in_memory) : main.get();
        modal->ShowModal(owner);
        Pump();

        const bool owned = row.owner == Owner::Shown;
        EXPECT_TRUE(modal->IsOpen());
        EXPECT_TRUE(IsWindowVisible(modal->Window()));
        EXPECT_EQ(GetWindow(modal->Window(), GW_OWNER), owned ? main->Window() : nullptr);
        EXPECT_TRUE(Near(Centre(modal->Window()), owned ? Centre(main->Window()) : ScreenCentre(modal->Window())));
        EXPECT_EQ(IsWindowEnabled(main->Window()) != FALSE, !row.main_shown) << "the main window takes no input";
        EXPECT_TRUE(IsWindowEnabled(modal->Window()));
        EXPECT_EQ(GetFocus(), modal->ControlWindow(pf::cmdCancel));
        EXPECT_EQ(GetActiveWindow(), modal->Window());

        modal->Close();
        Pump();
        EXPECT_FALSE(IsWindowVisible(modal->Window()));
        EXPECT_TRUE(IsWindowEnabled(main->Window()));
        EXPECT_FALSE(IsWindowEnabled(other->Window())) << "left as the program had it";
        if (owned) {
            // Given back its input before the modal window hides, the owner takes the activation.
            EXPECT_EQ(GetActiveWindow(), main->Window()) << "the owner is active again";
        }

        // Shown modal again and destroyed while shown: the owner is not left disabled.
        modal->ShowModal(owner);
        Pump();
        EXPECT_EQ(IsWindowEnabled(main->Window()) != FALSE, !row.main_shown);
        modal.reset();
        EXPECT_TRUE(IsWindowEnabled(main->Window()));
        EXPECT_TRUE(events.events.empty() && events.unload_queries == 0) << "modality reports nothing";
    }
}

// The program's wait for a job on the UI thread: it ends on the worker's Wake, keeps a Wake
// that came before it, ticks at the interval and hands a WM_QUIT on. (Messages, keys and the
// desktop's hang check during the wait are met by a real job in progress_window_test.cpp.)
TEST(Win32WindowSystemTest, RunUntilEndsOnWakeWithoutWaitingForATick) {
    win32::Win32WindowSystem windows;
    using std::chrono::milliseconds;
    // A wait that ends only when an interval this long has passed lost its wake-up. (It
    // does not tick then: `done` is asked first.)
    constexpr milliseconds kLong{30000};

    // What one wait shares with the thread that acts during it.
    struct Wait {
        std::atomic<bool> finished{false};
        int ticks = 0, looks = 0;
    };
    const struct {
        const char* name;
        milliseconds interval;
        std::function<void(Wait&)> act;  // on a thread of its own, during the wait
        std::function<bool(Wait&)> done;
        int ticks;
    } rows[] = {
        {"a job that has already ended waits for nothing", kLong, nullptr, [](Wait&) { return true; }, 0},
        {"a Wake from the worker ends the wait", kLong,
         [&](Wait& w) {
             Sleep(50);
             w.finished = true;
             windows.Wake();
         },
         [](Wait& w) { return w.finished.load(); }, 0},
        {"a Wake that came before the wait is kept", kLong, nullptr,
         [&](Wait& w) {
             // Not yet at the first look; the worker's Wake then came before the wait.
             if (w.looks == 1)
                 windows.Wake();
             return w.looks > 1;
         },
         0},
        {"ticks come at the interval until the job ends", milliseconds{20}, nullptr,
         [](Wait& w) { return w.ticks >= 3; }, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Wait wait;
        std::thread actor;
        if (row.act)
            actor = std::thread([&] { row.act(wait); });
        const auto start = std::chrono::steady_clock::now();
        windows.RunUntil(
            [&] {
                ++wait.looks;
                // A tick beyond those expected ends a wait that would otherwise never end.
                return wait.ticks > row.ticks || row.done(wait);
            },
            [&] { ++wait.ticks; }, row.interval);
        if (actor.joinable())
            actor.join();
        if (row.interval == kLong)
            EXPECT_LT(std::chrono::steady_clock::now() - start, kLong / 2) << "the wait ran out its interval";
        EXPECT_EQ(wait.ticks, row.ticks);
    }

    // A WM_QUIT taken during the wait reaches the loop outside.
    int ticks = 0;
    windows.RunUntil([&] { return ticks > 1; },  // the quit is taken between the two ticks
                     [&] {
                         if (++ticks == 1)
                             PostQuitMessage(7);
                     },
                     milliseconds{10});
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace ks
