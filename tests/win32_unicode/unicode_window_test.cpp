// The real main window and Win32 services in the program's UTF-8 regime, against printers and files named beyond any legacy code page.
//
// This program carries the application manifest, so Windows 10 1903 and later (and Wine)
// run its ANSI calls in UTF-8, as they run the program's. unicode_test.sh starts it with
// the private CUPS scheduler holding the queues below ("ラベル" its default), a folder of
// test files and a folder through which it asks the script for screenshots, named in
// KS_UNICODE_FOLDER and KS_SHOTS_FOLDER. That script checks the bytes each printer receives.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fakes.h"
#include "file_chooser/open_file.h"
#include "main_window/kestrelspooler.h"
#include "main_window/main_form.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_open_file_dialog.h"
#include "platform/win32/win32_printers.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_settings.h"
#include "platform/win32/win32_spooler.h"
#include "texts/program_texts.h"

// After the headers above: windows.h renames OpenPrinter, which they declare.
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_form_handles.h"
#include "form_test_support.h"
#include "screenshot_request.h"
#include "test_data_object.h"
#include "utf8_out.h"

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#undef OpenPrinter  // the spooler service's own name, not winspool's macro

namespace ks {
namespace {

namespace mf = main_form;
using test::Pump;
using test::PumpFor;
using test::TextOf;

const std::wstring kAccented = L"\u00c9tiquettes-B\u00fcro";
const std::wstring kKana = L"\u30e9\u30d9\u30eb";
const std::wstring kKanjiFile = L"\u65e5\u672c \u30e9\u30d9\u30eb.prn";
const std::wstring kEmojiFile = L"\U0001F5A8 label.prn";
constexpr DWORD kWaitMs = 30000;

// The size field's text for a file: its size in bytes.
std::wstring SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return std::to_wstring((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

// A picture of the screen, saved as NAME.png, while this thread's windows keep painting.
bool Screenshot(const std::wstring& name) { return test::RequestScreenshot(name, kWaitMs, Pump); }

// Answers the next modal dialog titled `title` from a second thread, as a user would, and
// records what it showed: a message box's text, or the open dialog's file-name box after
// `typed` went into it. `shot` names a screenshot taken before the answer.
class Answer {
public:
    Answer(std::wstring title, std::wstring shot, std::wstring typed = L"")
        : title_(std::move(title)), shot_(std::move(shot)), typed_(std::move(typed)), thread_([this] { Run(); }) {}
    ~Answer() { Wait(); }
    std::wstring Wait() {
        if (thread_.joinable())
            thread_.join();
        return seen_;
    }
    bool Shot() const { return shot_taken_; }

private:
    void Run() {
        const HWND dialog = test::VisibleWindow(L"#32770", title_, kWaitMs);
        if (!dialog) {
            seen_ = L"(no dialog titled " + title_ + L")";
            return;
        }
        HWND field = nullptr;
        for (int i = 0; i < 250 && !field; ++i, Sleep(20))
            field = typed_.empty() ? GetDlgItem(dialog, 0xFFFF)
                                   : (GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1));
        if (!typed_.empty() && field)
            SetWindowTextW(field, typed_.c_str());
        Sleep(300);  // shown is not yet painted
        seen_ = field ? TextOf(field) : L"(no field)";
        shot_taken_ = shot_.empty() || Screenshot(shot_);
        if (typed_.empty()) {
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        } else {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        for (int i = 0; i < 250 && IsWindow(dialog); ++i)
            Sleep(20);
        // Never hold the test for ever: a prompt of the dialog's own is answered, then the
        // dialog cancelled.
        if (IsWindow(dialog)) {
            seen_ += L" (still open)";
            for (HWND box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", nullptr));)
                if (GetWindow(box, GW_OWNER) == dialog)
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            Sleep(300);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }

    std::wstring title_, shot_, typed_, seen_;
    std::atomic<bool> shot_taken_{false};
    std::thread thread_;
};

// The program as main() wires it, with a command line of its own (none: the window).
class UnicodeWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ole_ = new win32::OleInitialization; }
    static void TearDownTestSuite() { delete ole_; }

    void SetUp() override {
        folder_ = test::Env(L"KS_UNICODE_FOLDER");
        ASSERT_FALSE(folder_.empty() || test::Env(L"KS_SHOTS_FOLDER").empty())
            << "run by unicode_test.sh, which sets up the printers and files";
        app_ = std::make_unique<Kestrelspooler>(
            Services{printers_, spooler_, files_, settings_, process_, messages_, windows_});
        app_->on_file_select = [this] { FileSelectClick(*app_, dialogs_, real_process_); };
        app_->Load();
        app_->Window().Show();
        PumpFor(300);
    }
    void TearDown() override {
        app_.reset();
        Pump();
    }

    win32::Win32Form& Form() { return dynamic_cast<win32::Win32Form&>(app_->Window()); }
    HWND W(ControlName control) { return Form().ControlWindow(control); }
    std::wstring Text(ControlName control) { return app_->Window().Text(control); }

    // Presses Print and answers its message box.
    void Prints(const std::wstring& printer, const std::wstring& shot) {
        app_->Window().SetText(mf::Combo1, printer);
        Answer box(texts::kExecutedCaption, shot);
        SendMessageW(W(mf::Command2), BM_CLICK, 0, 0);
        // The box's first line; where the job stands follows below a blank line.
        const std::wstring text = box.Wait();
        EXPECT_EQ(text.substr(0, text.find(L'\n')), texts::kExecuted) << Utf8(printer);
        EXPECT_TRUE(box.Shot()) << "no screenshot " << Utf8(shot);
    }

    static win32::OleInitialization* ole_;
    std::wstring folder_;
    win32::Win32Printers printers_;
    win32::Win32Spooler spooler_;
    win32::Win32Files files_;
    win32::RegistrySettings settings_;
    fakes::FakeProcess process_;  // no command line: the window
    win32::Win32Process real_process_;
    win32::Win32MessageBox messages_;
    win32::Win32WindowSystem windows_{GetModuleHandleW(nullptr)};
    win32::Win32OpenFileDialog dialogs_;
    std::unique_ptr<Kestrelspooler> app_;
};

win32::OleInitialization* UnicodeWindowTest::ole_ = nullptr;

TEST(Utf8Regime, TheProgramsManifestMakesUtf8TheAnsiCodePage) { EXPECT_EQ(GetACP(), 65001u); }

// A lone surrogate has no UTF-8 form. The name is refused as an unknown name is, and never
// becomes another one (U+FFFD, or no name at all, which opens the print server itself).
TEST(Utf8Regime, ANameWithoutAUtf8FormIsRefusedAsAnUnknownNameIs) {
    const std::wstring lone = kKana + L"\xD800";
    win32::Win32Spooler spooler;
    EXPECT_EQ(spooler.OpenPrinter(lone), nullptr);
    EXPECT_NE(spooler.LastError(), L"");
    // What a conversion that writes U+FFFD would open instead.
    const std::wstring replaced = L"C:\\" + kKana + L"\uFFFD.prn";
    const HANDLE decoy = CreateFileW(replaced.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(decoy, INVALID_HANDLE_VALUE);
    CloseHandle(decoy);
    EXPECT_EQ(win32::Win32Files().ReadAll(L"C:\\" + lone + L".prn"), std::nullopt);
    DeleteFileW(replaced.c_str());

    win32::RegistrySettings settings;
    ASSERT_TRUE(settings.Save(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey, kKana));
    EXPECT_FALSE(settings.Save(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey, lone));
    EXPECT_EQ(settings.Get(texts::kSettingsApp, texts::kSettingsSection, texts::kSettingsKey), kKana)
        << "the name saved before stays";
}

TEST_F(UnicodeWindowTest, PrinterBoxListsBothNamesAndDefaultPrinterFillsInTheDefault) {
    std::vector<std::wstring> listed;
    for (int i = 0; i < app_->Window().ItemCount(mf::Combo1); ++i)
        listed.push_back(app_->Window().Item(mf::Combo1, i));
    for (const std::wstring& name : {kAccented, kKana})
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << "missing " << Utf8(name);

    app_->Window().SetText(mf::Combo1, L"");
    SendMessageW(W(mf::Command3), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Text(mf::Combo1), kKana) << "the scheduler's default";

    SendMessageW(W(mf::Combo1), CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(Screenshot(L"printer-box"));
    SendMessageW(W(mf::Combo1), CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(UnicodeWindowTest, ADroppedFileLoadsAndPrintsToTheKanaPrinter) {
    const std::wstring path = folder_ + L"\\" + kKanjiFile;
    auto* data = new test::TestDataObject;
    data->Add(CF_HDROP, test::FileListBlock({path}));
    auto* target = static_cast<IDropTarget*>(GetPropW(W(mf::Text2), L"OleDropTargetInterface"));
    ASSERT_NE(target, nullptr);
    POINTL at{0, 0};
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data, MK_LBUTTON, at, &effect);
    effect = DROPEFFECT_COPY;
    target->Drop(data, 0, at, &effect);
    data->Release();
    PumpFor(200);  // the form hands drops on from its own queue
    EXPECT_EQ(Text(mf::Text2), path);
    EXPECT_EQ(Text(mf::Text1), SizeOf(path));
    Prints(kKana, L"executed-kana");
}

TEST_F(UnicodeWindowTest, TheOpenDialogReturnsAnEmojiPathThatPrintsToTheAccentedPrinter) {
    const std::wstring path = folder_ + L"\\" + kEmojiFile;
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str())) << "the dialog lists the test files";
    Answer dialog(L"Open file", L"open-dialog", path);
    SendMessageW(W(mf::Command1), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.Wait(), path) << "typed into the dialog";
    EXPECT_EQ(Text(mf::Text2), path);
    EXPECT_EQ(Text(mf::Text1), SizeOf(path));
    Prints(kAccented, L"executed-accented");
}

// Long paths come back whole, however many bytes the characters take in UTF-8 (three
// for each kana). Wine's own ANSI dialog stops at 260 bytes, so the rows stay below that.
TEST_F(UnicodeWindowTest, TheOpenDialogTakesLongPathsInAnyCodePage) {
    const std::wstring folder = folder_ + L"\\";
    const auto named = [&folder](size_t characters, wchar_t c) {
        return folder + std::wstring(characters, c) + L".prn";
    };
    const auto of_length = [&](size_t length) { return named(length - folder.size() - 4, L'f'); };
    const struct {
        const char* name;
        std::wstring chosen;
        std::wstring field;  // the path field afterwards: the path, or the folder as after Cancel
    } cases[] = {
        {"70 kana: 225 bytes for 85 characters", named(70, L'\u30e9'), named(70, L'\u30e9')},
        {"200 characters", of_length(200), of_length(200)},
    };
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HANDLE file = CreateFileW(c.chosen.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        Answer dialog(L"Open file", L"", c.chosen);
        SendMessageW(W(mf::Command1), BM_CLICK, 0, 0);
        dialog.Wait();
        EXPECT_EQ(Text(mf::Text2), c.field);
        DeleteFileW(c.chosen.c_str());
    }
}

// The close box saves the name in the registry, where the next start finds it.
TEST_F(UnicodeWindowTest, TheCloseBoxSavesEachNameForTheNextStart) {
    for (const std::wstring& name : {kAccented, kKana}) {
        SCOPED_TRACE(Utf8(name));
        app_->Window().SetText(mf::Combo1, name);
        SendMessageW(static_cast<HWND>(app_->Window().NativeHandle()), WM_CLOSE, 0, 0);
        Pump();
        TearDown();
        SetUp();
        EXPECT_EQ(Text(mf::Combo1), name) << "the next start";
    }
}

}  // namespace
}  // namespace ks
