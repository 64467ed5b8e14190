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
#include "platform/headless/headless_form.h"
#include "progress/progress_form.h"
#include "form_test_support.h"

#include <windows.h>
#include <commctrl.h>

namespace ks {
namespace {

using test::ClassOf;
using test::InParent;
using test::PressKey;
using test::Pump;
using test::TextOf;
using win32::Win32Form;
namespace pf = progress_form;
constexpr auto N = fakes::NameText;

// Records the events, and answers the close box as told.
struct Events : fakes::RecordedEvents {
    bool allow_close = true;
    bool QueryUnload() override {
        events.push_back({L"QueryUnload", L""});
        return allow_close;
    }
};

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

TEST_F(Win32ModalTest, TheProgressWindowHasANativeBarAndCancelTakesTheKeys) {
    Events events;
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
    // As the window opens: Esc, and Space on the focused button.
    for (const WPARAM key : {VK_ESCAPE, VK_SPACE}) {
        PressKey(key);
        EXPECT_EQ(events.events.size(), 1u) << "key " << key;
        EXPECT_EQ(events.events.empty() ? L"" : events.events.back().control, N(pf::cmdCancel)) << "key " << key;
        events.events.clear();
    }
    fakes::ExpectProgressBarRules(*form);
    form->SetProgress(pf::prgSent, 375);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 375) << "the native bar itself stands there";

    EXPECT_EQ(TextOf(form->Window()), L"Printing fw.bin");
    EXPECT_EQ(TextOf(form->ControlWindow(pf::lblFile)), L"fw.bin");
    EXPECT_EQ(SendMessageW(form->Window(), WM_GETICON, ICON_SMALL, 0), 0) << "a dialog frame without an icon";
    EXPECT_EQ(GetWindowLongW(form->Window(), GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    const fakes::NativeView view{
        .dpi = static_cast<double>(form->Dpi()),
        .place = [&](ControlName c) {
            const RECT box = InParent(form->ControlWindow(c));
            return std::array<int, 4>{box.left, box.top, box.right - box.left, box.bottom - box.top};
        },
        .focused = [&] {
            for (const ControlLayout& c : Progress().controls)
                if (form->ControlWindow(c.name) == GetFocus())
                    return N(c.name);
            return std::wstring(L"(none)");
        },
        .press_tab = [] { PressKey(VK_TAB); },
        .native_text = [&](ControlName c) { return TextOf(form->ControlWindow(c)); },
    };
    fakes::ExpectNativeFormFollowsItsTable(*form, Progress(), view);

    EXPECT_TRUE(form->IsOpen()) << "Esc is Cancel's, not the window's close";
}

// The close box, Alt+F4 and the system's close all ask first; Close does not.
TEST_F(Win32ModalTest, EveryWayToCloseTheWindowAsksFirstAndARefusalKeepsItOpen) {
    const struct {
        const char* name;
        std::function<void(HWND)> close;
    } ways[] = {
        {"close box", [](HWND w) { SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4", [](HWND w) { SendMessageW(w, WM_SYSKEYDOWN, VK_F4, 1 << 29); }},
        {"WM_CLOSE", [](HWND w) { SendMessageW(w, WM_CLOSE, 0, 0); }},
    };
    using Event = fakes::RecordedEvents::Event;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Events events;
        const auto form = Make(Progress(), events);
        form->Show();
        Pump();
        events.allow_close = false;
        way.close(form->Window());
        Pump();
        EXPECT_EQ(events.events, (std::vector<Event>{{L"QueryUnload", L""}}));
        EXPECT_TRUE(form->IsOpen());
        EXPECT_TRUE(IsWindowVisible(form->Window()));

        events.events.clear();
        events.allow_close = true;
        way.close(form->Window());
        Pump();
        EXPECT_EQ(events.events, (std::vector<Event>{{L"QueryUnload", L""}, {L"Unload", L""}}));
        EXPECT_FALSE(IsWindowVisible(form->Window()));
    }
    Events events;
    const auto form = Make(Progress(), events);
    form->Show();
    form->Close();
    EXPECT_TRUE(events.events.empty()) << "the program's own Close asks nothing";
}

// Watches a window's WM_ENABLE: whether the modal window was still on screen when the
// owner got its input back.
struct EnableWatch {
    HWND modal = nullptr;
    std::vector<bool> modal_visible_when_enabled;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
        auto* watch = reinterpret_cast<EnableWatch*>(data);
        if (message == WM_ENABLE && wparam)
            watch->modal_visible_when_enabled.push_back(watch->modal && IsWindowVisible(watch->modal));
        return DefSubclassProc(hwnd, message, wparam, lparam);
    }
};

TEST_F(Win32ModalTest, ShowModalTakesInputFromTheOwnerOrTheProgramAndGivesItBackBeforeHiding) {
    enum class Owner { Shown, None, InMemory, Hidden };
    const struct {
        const char* name;
        Owner owner;
        bool main_shown;
    } rows[] = {
        {"main window shown: modal to it", Owner::Shown, true},
        {"no owner: modal to the program", Owner::None, true},
        {"a main window in memory (the command-line run): modal to the program", Owner::InMemory, true},
        {"a hidden main window: modal to the program, nothing else on screen", Owner::Hidden, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fakes::RecordedEvents main_events, about_events;
        Events events;
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
        EnableWatch watch;
        watch.modal = modal->Window();
        SetWindowSubclass(main->Window(), EnableWatch::Proc, 1, reinterpret_cast<DWORD_PTR>(&watch));
        Form* owner = row.owner == Owner::None ? nullptr : row.owner == Owner::InMemory ? static_cast<Form*>(&in_memory)
                                                                                        : main.get();
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
        if (row.main_shown) {
            EXPECT_EQ(watch.modal_visible_when_enabled, std::vector<bool>{true})
                << "the owner gets its input back while the modal window is still up";
        }
        if (owned) {
            EXPECT_EQ(GetActiveWindow(), main->Window()) << "the owner is active again";
        }

        // Shown modal again and destroyed while shown: the owner is not left disabled.
        modal->ShowModal(owner);
        Pump();
        EXPECT_EQ(IsWindowEnabled(main->Window()) != FALSE, !row.main_shown);
        RemoveWindowSubclass(main->Window(), EnableWatch::Proc, 1);
        modal.reset();
        EXPECT_TRUE(IsWindowEnabled(main->Window()));
        EXPECT_TRUE(events.events.empty()) << "modality reports nothing";
    }
}

// What the program's wait for a job does on the UI thread: the thread's messages, the
// forms' keys, Wake from the worker, ticks, and a WM_QUIT handed on.
TEST(Win32WindowSystemTest, RunUntilHandlesMessagesAndEndsOnWakeWithoutWaitingForATick) {
    win32::Win32WindowSystem windows;
    EXPECT_TRUE(windows.CanShow()) << "Wine's desktop on Xvfb can be seen";
    using std::chrono::milliseconds;
    // A wait that ends only when an interval this long has passed lost its wake-up. (It
    // does not tick then: `done` is asked first.)
    constexpr milliseconds kLong{30000};

    Events events;
    const auto form = std::make_unique<Win32Form>(GetModuleHandleW(nullptr), Progress(), events);
    form->ShowModal(nullptr);
    Pump();
    const HWND window = form->Window();
    const HWND cancel = form->ControlWindow(pf::cmdCancel);

    // What one wait shares with the thread that acts during it.
    struct Wait {
        std::atomic<bool> answered{false}, finished{false};
        int ticks = 0, looks = 0;
        const Events* events;
        bool Clicked() const { return !events->events.empty(); }
    };
    const struct {
        const char* name;
        milliseconds interval;
        std::function<void(Wait&)> act;  // on a thread of its own, during the wait
        std::function<bool(Wait&)> done;
        int ticks;
        bool answered = false;  // the thread's sent message was answered
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
        {"a button pressed from another thread is handled", kLong,
         [cancel](Wait&) { PostMessageW(cancel, BM_CLICK, 0, 0); }, [](Wait& w) { return w.Clicked(); }, 0},
        {"Esc goes through the forms' keyboard handling", kLong,
         [cancel](Wait&) {
             PostMessageW(cancel, WM_KEYDOWN, VK_ESCAPE, 1);
             PostMessageW(cancel, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001));
         },
         [](Wait& w) { return w.Clicked(); }, 0},
        {"a message sent from another thread is answered, as the desktop's hang check is", kLong,
         [&, window](Wait& w) {
             DWORD_PTR result = 0;
             w.answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &result) != 0;
             w.finished = true;
             windows.Wake();
         },
         [](Wait& w) { return w.finished.load(); }, 0, true},
        {"ticks come at the interval until the job ends", milliseconds{20}, nullptr,
         [](Wait& w) { return w.ticks >= 3; }, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        events.events.clear();
        Wait wait;
        wait.events = &events;
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
        EXPECT_EQ(wait.answered.load(), row.answered);
        EXPECT_LE(events.events.size(), 1u) << "one press, one click";
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
