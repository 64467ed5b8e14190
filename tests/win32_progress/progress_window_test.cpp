// Long jobs in the real main window with the Win32 services, under Wine and Xvfb: the progress window, Cancel, and a window that never stops answering.
//
// progress_test.sh runs this with the private CUPS scheduler (its default queue takes raw
// jobs), the test files in KS_PROGRESS_FOLDER and the fake printer's jobs in KS_JOBS_FOLDER.
// Under Wine the spooler's writes go to a local file and only the end of the document hands
// the job to CUPS, so a job here is slowed by a spooler of the test's own, which waits before
// each write it passes on to the real one. A second thread acts as the user, while this
// thread, the program's UI thread, runs the job from the Print button's click.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fakes.h"
#include "main_window/kestrelspooler.h"
#include "main_window/main_form.h"
#include "printing/texts.h"
#include "progress/progress_form.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_printers.h"
#include "platform/win32/win32_spooler.h"

// After the headers above: windows.h renames OpenPrinter, which they declare.
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_form_handles.h"
#include "screenshot_request.h"
#include "utf8_out.h"

#include <windows.h>
#include <commctrl.h>
#undef OpenPrinter  // the spooler service's own names, not winspool's macros
#undef StartDoc

namespace ks {
namespace {

namespace mf = main_form;
namespace pf = progress_form;
using fakes::Step;
using std::chrono::milliseconds;

constexpr DWORD kWaitMs = 30000;
const std::wstring kPrinter = L"Kestrel-Raw";
const std::wstring kBigFile = L"firmware.bin";  // 64 MiB: 16 chunks
const std::wstring kSmallFile = L"label.prn";   // 1 KiB

std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

class SlowPrinter;

// The real spooler, each write made to wait first, as a print server at the end of a slow
// line would. It counts what the job's worker asked of it; the test reads the counts once
// the job is over, and `writes` while it runs.
class SlowSpooler : public Spooler {
public:
    explicit SlowSpooler(Spooler& real) : real_(real) {}

    milliseconds pause{0};
    std::atomic<int> writes{0};
    std::map<Step, int> counts;
    // Whether a window titled so stood when the job closed the printer: the progress
    // window of a job that showed one stays until the job is over.
    std::wstring watched_title;
    bool watched_window_at_close = false;

    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) override;
    std::wstring LastError() override { return real_.LastError(); }
    void Reset() {
        counts.clear();
        writes = 0;
        watched_window_at_close = false;
    }

private:
    Spooler& real_;
};

class SlowPrinter : public SpoolerPrinter {
public:
    SlowPrinter(std::unique_ptr<SpoolerPrinter> real, SlowSpooler& spooler) : real_(std::move(real)), s_(spooler) {}

    bool StartDoc(const DocInfo& doc) override { return Counted(Step::StartDoc) && real_->StartDoc(doc); }
    bool StartPage() override { return Counted(Step::StartPage) && real_->StartPage(); }
    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        Counted(Step::Write);
        ++s_.writes;
        std::this_thread::sleep_for(s_.pause);
        return real_->Write(data, size);
    }
    bool EndPage() override { return Counted(Step::EndPage) && real_->EndPage(); }
    bool EndDoc() override { return Counted(Step::EndDoc) && real_->EndDoc(); }
    void Abort() override {
        Counted(Step::Abort);
        real_->Abort();
    }
    bool Close() override {
        s_.watched_window_at_close = FindWindowW(win32::kFormClassName, s_.watched_title.c_str()) != nullptr;
        return Counted(Step::Close) && real_->Close();
    }
    void StopWaitingWhen(const std::atomic<bool>* stop) override { real_->StopWaitingWhen(stop); }

private:
    bool Counted(Step step) {
        ++s_.counts[step];
        return true;
    }
    std::unique_ptr<SpoolerPrinter> real_;
    SlowSpooler& s_;
};

std::unique_ptr<SpoolerPrinter> SlowSpooler::OpenPrinter(const std::wstring& device_name) {
    ++counts[Step::Open];
    std::unique_ptr<SpoolerPrinter> printer = real_.OpenPrinter(device_name);
    return printer ? std::make_unique<SlowPrinter>(std::move(printer), *this) : nullptr;
}

HWND VisibleWindow(const wchar_t* window_class, const std::wstring& title, DWORD wait_ms = kWaitMs) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < wait_ms; Sleep(20)) {
        const HWND hwnd = FindWindowW(window_class, title.c_str());
        if (hwnd && IsWindowVisible(hwnd))
            return hwnd;
    }
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD wait_ms = kWaitMs) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < wait_ms; Sleep(20))
        if (condition())
            return true;
    return condition();
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
    return WaitUntil([hwnd] { return !GetUpdateRect(hwnd, nullptr, FALSE); }, 5000);
}

// A control of a running progress window, by its name in the table.
HWND ProgressControl(HWND progress, ControlName control) {
    return GetDlgItem(progress, *win32::ControlId(ProgressFormLayout(L"", L""), control.View()));
}

POINT Centre(HWND hwnd) {
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    return {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
}

// What the user saw of one job.
struct Seen {
    HWND progress = nullptr;
    HWND owner = nullptr;
    bool main_enabled = true;  // while the progress window was up
    bool centred_on_main = false;
    HWND focus = nullptr, cancel = nullptr;
    std::wstring file_label, sent_label;
    int first_position = -1, later_position = -1;
    int asked = 0, answered = 0;  // "not responding" checks of both windows
    bool main_repainted = false, progress_repainted = false;
    bool shot = false;
    bool main_stayed = false;  // after its close box during the job
    std::wstring box_caption, box_text;
    bool progress_gone_at_box = false, main_enabled_at_box = false;
};

// The message box the job ends with: its text, then OK.
void AnswerBox(const std::wstring& caption, HWND main, Seen& seen) {
    const HWND box = VisibleWindow(L"#32770", caption);
    if (!box)
        return;
    Sleep(200);
    seen.box_caption = caption;
    seen.box_text = WindowText(GetDlgItem(box, 0xFFFF));
    seen.progress_gone_at_box = !seen.progress || !IsWindow(seen.progress) || !IsWindowVisible(seen.progress);
    seen.main_enabled_at_box = IsWindowEnabled(main) != FALSE;
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
        app_->on_file_select = [this] { ++file_selects_; };
        ASSERT_TRUE(app_->Load());
        app_->Window().Show();
        Pump(300);
    }
    void TearDown() override {
        app_.reset();
        Pump(100);
    }

    static void Pump(DWORD ms) {
        MSG msg;
        for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(10))
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!win32::Win32Form::PreTranslate(msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
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
        spooler_.Reset();
        std::atomic<bool> user_done{false};
        std::thread acting([&] {
            user();
            user_done = true;
        });
        SendMessageW(W(mf::Command2), BM_CLICK, 0, 0);
        for (const DWORD start = GetTickCount(); !user_done && GetTickCount() - start < 2 * kWaitMs;)
            Pump(20);
        acting.join();
        Pump(100);
    }

    // The progress window from the user's side while the job runs: where it stands, what
    // it says, and whether both windows answer and repaint. Then Print and the main
    // window's close box, which the job refuses.
    void LookAtTheProgressWindow(Seen& seen, const DWORD ui_thread) {
        const HWND main = Main();
        seen.progress = VisibleWindow(win32::kFormClassName, L"Printing " + kBigFile);
        if (!seen.progress)
            return;
        seen.owner = GetWindow(seen.progress, GW_OWNER);
        seen.main_enabled = IsWindowEnabled(main) != FALSE;
        const POINT a = Centre(seen.progress), b = Centre(main);
        seen.centred_on_main = std::abs(a.x - b.x) <= 2 && std::abs(a.y - b.y) <= 2;
        seen.cancel = ProgressControl(seen.progress, pf::cmdCancel);
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        if (GetGUIThreadInfo(ui_thread, &gui))
            seen.focus = gui.hwndFocus;
        const HWND bar = ProgressControl(seen.progress, pf::prgSent);
        seen.first_position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        for (int i = 0; i < 10; ++i, Sleep(100))
            for (const HWND hwnd : {main, seen.progress}) {
                ++seen.asked;
                seen.answered += Answers(hwnd) ? 1 : 0;
            }
        seen.main_repainted = Repaints(main);
        seen.progress_repainted = Repaints(seen.progress);
        seen.file_label = WindowText(ProgressControl(seen.progress, pf::lblFile));
        seen.sent_label = WindowText(ProgressControl(seen.progress, pf::lblSent));
        seen.later_position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        PostMessageW(W(mf::Command2), BM_CLICK, 0, 0);
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(300);
        seen.main_stayed = IsWindowVisible(main) != FALSE;
    }

    // The checks every job with a progress window shares.
    void ExpectTheProgressWindowWasShown(const Seen& seen) {
        ASSERT_NE(seen.progress, nullptr) << "no progress window";
        EXPECT_EQ(seen.owner, Main()) << "owned by the main window";
        EXPECT_FALSE(seen.main_enabled) << "the main window takes no input meanwhile";
        EXPECT_TRUE(seen.centred_on_main);
        EXPECT_EQ(seen.focus, seen.cancel) << "Cancel has the focus";
        EXPECT_EQ(seen.file_label, kBigFile);
        EXPECT_TRUE(seen.sent_label.ends_with(L" of 64 MiB")) << Utf8(seen.sent_label);
        EXPECT_GT(seen.later_position, seen.first_position) << "the bar moves";
        EXPECT_EQ(seen.answered, seen.asked) << "a window did not answer within a second, or was hung";
        EXPECT_TRUE(seen.main_repainted);
        EXPECT_TRUE(seen.progress_repainted);
        EXPECT_TRUE(seen.main_stayed) << "the main window's close box is refused during the job";
        EXPECT_TRUE(seen.progress_gone_at_box) << "the progress window closes before the message";
        EXPECT_TRUE(seen.main_enabled_at_box);
        EXPECT_EQ(spooler_.counts[Step::Open], 1) << "one job: the second Print was refused";
        EXPECT_EQ(settings_.saves, 0) << "the refused close box saved nothing";
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
    int file_selects_ = 0;
    std::unique_ptr<Kestrelspooler> app_;
};

win32::OleInitialization* ProgressWindowTest::ole_ = nullptr;

// Cancel, Esc and the close box each stop the job: the spooler aborts the document and
// never ends it, so nothing complete reaches the printer (progress_test.sh checks what the
// scheduler got), and the user reads why.
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
    };
    ASSERT_NO_FATAL_FAILURE(Load(kBigFile));
    spooler_.pause = milliseconds{600};  // 16 chunks: ten seconds, unless stopped
    const DWORD ui_thread = GetCurrentThreadId();
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Seen seen;
        PrintWhile([&] {
            LookAtTheProgressWindow(seen, ui_thread);
            if (!seen.progress)
                return;
            if (way.shot)
                seen.shot = test::RequestScreenshot(way.shot, kWaitMs);
            way.stop(seen.progress, seen.cancel);
            AnswerBox(texts::kProgramTitle, Main(), seen);
        });
        ExpectTheProgressWindowWasShown(seen);
        EXPECT_TRUE(seen.shot || !way.shot) << "no screenshot";
        EXPECT_EQ(seen.box_caption, texts::kProgramTitle);
        EXPECT_EQ(seen.box_text, texts::kJobCancelled);
        EXPECT_EQ(spooler_.counts[Step::Abort], 1);
        EXPECT_EQ(spooler_.counts[Step::EndDoc], 0) << "a cancelled job is never released";
        EXPECT_LT(spooler_.counts[Step::Write], 16) << "the job stopped early";
        EXPECT_TRUE(IsWindowEnabled(Main()));
        EXPECT_FALSE(app_->JobRunning());
    }
}

// Left alone, the job shows its progress, ends, closes the window and says "Executed!";
// progress_test.sh then finds the file byte for byte at the printer.
TEST_F(ProgressWindowTest, LeftAloneTheJobShowsItsProgressAndIsDelivered) {
    ASSERT_NO_FATAL_FAILURE(Load(kBigFile));
    spooler_.pause = milliseconds{400};  // six seconds: time enough to look
    const DWORD ui_thread = GetCurrentThreadId();
    Seen seen;
    PrintWhile([&] {
        LookAtTheProgressWindow(seen, ui_thread);
        AnswerBox(texts::kExecutedCaption, Main(), seen);
    });
    ExpectTheProgressWindowWasShown(seen);
    EXPECT_EQ(seen.box_text, texts::kExecuted);
    EXPECT_EQ(spooler_.counts[Step::EndDoc], 1);
    EXPECT_EQ(spooler_.counts[Step::Abort], 0);
    EXPECT_EQ(spooler_.counts[Step::Write], 16) << "4 MiB at a time";
    EXPECT_EQ(GetActiveWindow(), Main()) << "the main window has the activation back";
}

// A short job through the real spooler ends before any progress window would open.
TEST_F(ProgressWindowTest, AShortJobOpensNoProgressWindow) {
    ASSERT_NO_FATAL_FAILURE(Load(kSmallFile));
    spooler_.watched_title = L"Printing " + kSmallFile;
    Seen seen;
    PrintWhile([&] { AnswerBox(texts::kExecutedCaption, Main(), seen); });
    EXPECT_EQ(seen.box_text, texts::kExecuted);
    EXPECT_EQ(spooler_.counts[Step::Close], 1);
    EXPECT_FALSE(spooler_.watched_window_at_close);
}

// Before the progress window opens, the main window takes clicks, menus and its close box,
// and the job refuses every command that would touch the printers, the file or the
// program's end.
TEST_F(ProgressWindowTest, TheMainWindowRefusesItsCommandsWhileTheJobRuns) {
    ASSERT_NO_FATAL_FAILURE(Load(kBigFile));
    app_->pacing.delay = std::chrono::hours(1);  // no progress window: the main window keeps its input
    spooler_.pause = milliseconds{300};
    const HWND main = Main();
    bool job_was_running = false, main_answered = false;
    Seen seen;
    PrintWhile([&] {
        job_was_running = WaitUntil([&] { return spooler_.writes > 0; });
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(W(mf::Combo1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Typed"), SMTO_NORMAL, kWaitMs,
                            &ignored);
        for (ControlName button : {mf::Command1, mf::Command2, mf::Command3})
            PostMessageW(W(button), BM_CLICK, 0, 0);
        for (ControlName entry : {mf::Open, mf::Print, mf::Exit})
            PostMessageW(main, WM_COMMAND, MAKEWPARAM(*win32::MenuId(MainFormLayout(), entry.View()), 0), 0);
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        main_answered = Answers(main);  // after all of the above
        AnswerBox(texts::kExecutedCaption, main, seen);
    });
    EXPECT_TRUE(job_was_running);
    EXPECT_TRUE(main_answered);
    EXPECT_EQ(seen.box_text, texts::kExecuted);
    EXPECT_EQ(spooler_.counts[Step::Open], 1) << "Print, from the button or the menu, was refused";
    EXPECT_EQ(file_selects_, 0) << "File select and Open were refused";
    EXPECT_EQ(app_->Window().Text(mf::Combo1), L"Typed") << "Default printer was refused";
    EXPECT_FALSE(process_.ended) << "Exit was refused";
    EXPECT_TRUE(IsWindowVisible(main)) << "the close box was refused";
    EXPECT_EQ(settings_.saves, 0);
}

}  // namespace
}  // namespace ks
