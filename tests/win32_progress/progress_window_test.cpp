// Long jobs in the real main window with the Win32 services, under Wine and Xvfb: the progress window, Cancel, and a window that never stops answering.
//
// progress_test.sh runs this with the private CUPS scheduler (its default queue takes raw
// jobs) and the test files in KS_PROGRESS_FOLDER. Under Wine the spooler's writes go to a
// local file and only the end of the document hands the job to CUPS, so a job here is slowed
// by a spooler of the test's own, which waits before each write it passes on to the real
// one. A second thread acts as the user, while this thread, the program's UI thread, runs
// the job from the Print button's click.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "fakes/fakes.h"
#include "main_window/kestrelspooler.h"
#include "main_window/main_form.h"
#include "texts/program_texts.h"
#include "progress/progress_form.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_printers.h"
#include "platform/win32/win32_spooler.h"

// After the headers above: windows.h renames OpenPrinter, which they declare.
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_form_handles.h"
#include "platform/win32/session_end.h"
#include "form_test_support.h"
#include "screenshot_request.h"

#include <windows.h>
#include <commctrl.h>
#undef OpenPrinter  // the spooler service's own names, not winspool's macros
#undef StartDoc

namespace ks {
namespace {

namespace mf = main_form;
namespace pf = progress_form;
using std::chrono::milliseconds;
using test::Env;
using test::TextOf;
using test::VisibleWindow;

constexpr DWORD kWaitMs = 30000;
const std::wstring kPrinter = L"Kestrel-Raw";
const std::wstring kBigFile = L"firmware.bin";  // 64 MiB: 16 chunks
const std::wstring kSmallFile = L"label.prn";   // 1 KiB

// The real spooler, each write made to wait first, as a print server at the end of a slow
// line would. Wine's trace of winspool (progress_test.sh) says what the job asked of it.
class SlowSpooler : public Spooler {
public:
    explicit SlowSpooler(Spooler& real) : real_(real) {}

    milliseconds pause{0};
    // Whether a window titled so stood when the job closed the printer: the progress
    // window of a job that showed one stays until the job is over.
    std::wstring watched_title;
    int closes = 0;
    bool watched_window_at_close = false;

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;
    std::wstring LastError() override { return real_.LastError(); }

private:
    Spooler& real_;
};

class SlowPrinter : public SpoolerPrinter {
public:
    SlowPrinter(std::unique_ptr<SpoolerPrinter> real, SlowSpooler& spooler) : real_(std::move(real)), s_(spooler) {}

    bool StartDoc(const DocInfo& doc) override { return real_->StartDoc(doc); }
    bool StartPage() override { return real_->StartPage(); }
    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        std::this_thread::sleep_for(s_.pause);
        return real_->Write(data, size);
    }
    bool EndPage() override { return real_->EndPage(); }
    bool EndDoc() override { return real_->EndDoc(); }
    void Abort() override { real_->Abort(); }
    bool Close() override {
        ++s_.closes;
        s_.watched_window_at_close = FindWindowW(win32::kFormClassName, s_.watched_title.c_str()) != nullptr;
        return real_->Close();
    }
    void StopWaitingWhen(const std::atomic<bool>* stop) override { real_->StopWaitingWhen(stop); }

private:
    std::unique_ptr<SpoolerPrinter> real_;
    SlowSpooler& s_;
};

std::unique_ptr<SpoolerPrinter> SlowSpooler::OpenPrinter(const std::wstring& device_name) {
    std::unique_ptr<SpoolerPrinter> printer = real_.OpenPrinter(device_name);
    return printer ? std::make_unique<SlowPrinter>(std::move(printer), *this) : nullptr;
}

// What the desktop asks before it calls a window "not responding": a message answered
// within a second, and the system's own hang check.
bool Answers(HWND hwnd) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &result) != 0 &&
           !IsHungAppWindow(hwnd);
}

// The window and its controls made invalid from outside are painted again.
bool Repaints(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(20))
        if (!GetUpdateRect(hwnd, nullptr, FALSE))
            return true;
    return false;
}

// A control of a running progress window, by its name in the table.
HWND ProgressControl(HWND progress, ControlName control) {
    return GetDlgItem(progress, *win32::ControlId(ProgressFormLayout(L"", L""), control.View()));
}

// What the user saw of one job.
struct Seen {
    HWND progress = nullptr, cancel = nullptr;
    int first_position = -1, later_position = -1;
    int asked = 0, answered = 0;  // "not responding" checks of both windows
    bool main_repainted = false, progress_repainted = false;
    bool main_stayed = false;  // after its close box during the job
    std::wstring box_caption, box_text;
    bool progress_gone_at_box = false;
    RECT client{}, cancel_rect{};  // the progress window's client area; Cancel in it
};

// The message box the job ends with, whichever it is: its caption and text, then OK.
void AnswerBox(Seen& seen) {
    HWND box = nullptr;
    for (const DWORD start = GetTickCount(); !box && GetTickCount() - start < kWaitMs; Sleep(20))
        if ((box = FindWindowW(L"#32770", nullptr)) && !IsWindowVisible(box))
            box = nullptr;
    if (!box)
        return;
    Sleep(200);
    seen.box_caption = TextOf(box);
    seen.box_text = TextOf(GetDlgItem(box, 0xFFFF));
    seen.progress_gone_at_box = !seen.progress || !IsWindow(seen.progress) || !IsWindowVisible(seen.progress);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

class ProgressWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ole_ = new win32::OleInitialization; }
    static void TearDownTestSuite() { delete ole_; }

    void SetUp() override {
        folder_ = Env(L"KS_PROGRESS_FOLDER");
        ASSERT_FALSE(folder_.empty() || Env(L"KS_SHOTS_FOLDER").empty())
            << "run by progress_test.sh, which sets up the printer and the files";
        app_ = std::make_unique<Kestrelspooler>(
            Services{printers_, spooler_, files_, settings_, process_, messages_, windows_});
        app_->Load();
        session_ = std::make_unique<win32::SessionEndWatch>(GetModuleHandleW(nullptr), [this] { app_->EndSession(); });
        app_->Window().Show();
        test::PumpFor(300);
    }
    void TearDown() override {
        session_.reset();
        app_.reset();
        test::PumpFor(100);
    }

    HWND Main() { return static_cast<HWND>(app_->Window().NativeHandle()); }
    HWND W(ControlName control) { return dynamic_cast<win32::Win32Form&>(app_->Window()).ControlWindow(control); }

    void Load(const std::wstring& file) {
        app_->Window().SetText(mf::Text2, folder_ + L"\\" + file);
        ASSERT_TRUE(app_->OpenFi());
        app_->Window().SetText(mf::Combo1, kPrinter);
    }

    // Presses Print on this, the UI thread, while `user` acts on another thread; returns
    // once both are done.
    void PrintWhile(const std::function<void()>& user) {
        std::atomic<bool> user_done{false};
        std::thread acting([&] {
            user();
            user_done = true;
        });
        SendMessageW(W(mf::Command2), BM_CLICK, 0, 0);
        for (const DWORD start = GetTickCount(); !user_done && GetTickCount() - start < 2 * kWaitMs;)
            test::PumpFor(20);
        acting.join();
        test::PumpFor(100);
    }

    // The progress window from the user's side while the job runs: its bar moves, and both
    // windows answer and repaint. Then Print and the main window's close box, which the job
    // refuses.
    void LookAtTheProgressWindow(Seen& seen) {
        const HWND main = Main();
        seen.progress = VisibleWindow(win32::kFormClassName, L"Printing " + kBigFile, kWaitMs);
        if (!seen.progress)
            return;
        seen.cancel = ProgressControl(seen.progress, pf::cmdCancel);
        // The size it was made with, as a late answer of the X server under Wine would set it.
        SetWindowPos(seen.progress, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(seen.progress, &seen.client);
        GetWindowRect(seen.cancel, &seen.cancel_rect);
        MapWindowPoints(nullptr, seen.progress, reinterpret_cast<POINT*>(&seen.cancel_rect), 2);
        const HWND bar = ProgressControl(seen.progress, pf::prgSent);
        seen.first_position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        for (int i = 0; i < 10; ++i, Sleep(100))
            for (const HWND hwnd : {main, seen.progress}) {
                ++seen.asked;
                seen.answered += Answers(hwnd) ? 1 : 0;
            }
        seen.main_repainted = Repaints(main);
        seen.progress_repainted = Repaints(seen.progress);
        seen.later_position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        PostMessageW(W(mf::Command2), BM_CLICK, 0, 0);
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(300);
        seen.main_stayed = IsWindowVisible(main) != FALSE;
    }

    static win32::OleInitialization* ole_;
    std::wstring folder_;
    win32::Win32Printers printers_;
    win32::Win32Spooler real_spooler_;
    SlowSpooler spooler_{real_spooler_};
    win32::Win32Files files_;
    fakes::FakeSettings settings_;
    fakes::FakeProcess process_;  // no command line: the window
    win32::Win32MessageBox messages_;
    win32::Win32WindowSystem windows_{GetModuleHandleW(nullptr)};
    std::unique_ptr<Kestrelspooler> app_;
    std::unique_ptr<win32::SessionEndWatch> session_;
    int closes_at_session_end_ = -1;
};

win32::OleInitialization* ProgressWindowTest::ole_ = nullptr;

// Cancel, Esc, the close box and the end of the session each stop the job, and the user reads why. progress_test.sh
// checks that each document was aborted and never ended, that the second Print started no
// other, and that nothing complete reached the printer.
TEST_F(ProgressWindowTest, CancelEscAndTheCloseBoxAbortTheJobAndSaySo) {
    const struct {
        const char* name;
        std::function<void(HWND progress, HWND cancel)> stop;
        const wchar_t* shot;
    } ways[] = {
        {"Cancel", [](HWND, HWND cancel) { PostMessageW(cancel, BM_CLICK, 0, 0); }, L"progress-window"},
        {"Esc",
         [](HWND, HWND cancel) {
             PostMessageW(cancel, WM_KEYDOWN, VK_ESCAPE, 1);
             PostMessageW(cancel, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001));
         },
         nullptr},
        {"close box", [](HWND progress, HWND) { PostMessageW(progress, WM_SYSCOMMAND, SC_CLOSE, 0); }, nullptr},
        {"log off",
         [this](HWND, HWND) {
             // As Windows asks and tells: the job has stopped when the program answers.
             SendMessageW(session_->Window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
             SendMessageW(session_->Window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
             closes_at_session_end_ = spooler_.closes;
         },
         nullptr},
    };
    ASSERT_NO_FATAL_FAILURE(Load(kBigFile));
    spooler_.pause = milliseconds{600};  // 16 chunks: ten seconds, unless stopped
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Seen seen;
        bool shot = true;
        PrintWhile([&] {
            LookAtTheProgressWindow(seen);
            if (!seen.progress)
                return;
            if (way.shot)
                shot = test::RequestScreenshot(way.shot, kWaitMs);
            way.stop(seen.progress, seen.cancel);
            AnswerBox(seen);
        });
        ASSERT_NE(seen.progress, nullptr) << "no progress window";
        EXPECT_TRUE(shot) << "no screenshot";
        // Its full size, whatever the window system answered about the size it was made with.
        const FormLayout table = ProgressFormLayout(L"", L"");
        const UINT dpi = dynamic_cast<win32::Win32Form&>(app_->Window()).Dpi();
        EXPECT_EQ(seen.client.right, TwipsToPixels(table.client_width, dpi));
        EXPECT_EQ(seen.client.bottom, TwipsToPixels(table.client_height, dpi));
        const RECT& c = seen.cancel_rect;
        EXPECT_TRUE(c.right <= seen.client.right && c.bottom <= seen.client.bottom && c.left >= 0 && c.top >= 0)
            << "Cancel lies inside the window";
        EXPECT_GT(seen.later_position, seen.first_position) << "the bar moves";
        EXPECT_EQ(seen.answered, seen.asked) << "a window did not answer within a second, or was hung";
        EXPECT_TRUE(seen.main_repainted);
        EXPECT_TRUE(seen.progress_repainted);
        EXPECT_TRUE(seen.main_stayed) << "the main window's close box is refused during the job";
        EXPECT_EQ(settings_.saves, 0) << "the refused close box saved nothing";
        EXPECT_EQ(seen.box_caption, texts::kProgramTitle);
        EXPECT_EQ(seen.box_text, texts::kJobCancelled);
        EXPECT_TRUE(seen.progress_gone_at_box) << "the progress window closes before the message";
        EXPECT_TRUE(IsWindowEnabled(Main()));
    }
    EXPECT_EQ(closes_at_session_end_, 4) << "the session's end waited until the job had closed its printer";
}

// A short job through the real spooler ends before any progress window would open;
// progress_test.sh then finds the file byte for byte at the printer.
TEST_F(ProgressWindowTest, AShortJobOpensNoProgressWindow) {
    ASSERT_NO_FATAL_FAILURE(Load(kSmallFile));
    spooler_.watched_title = L"Printing " + kSmallFile;
    Seen seen;
    PrintWhile([&] { AnswerBox(seen); });
    EXPECT_EQ(seen.box_caption, texts::kExecutedCaption);
    EXPECT_EQ(seen.box_text, texts::kExecuted);
    EXPECT_EQ(spooler_.closes, 1);
    EXPECT_FALSE(spooler_.watched_window_at_close);
}

}  // namespace
}  // namespace ks
