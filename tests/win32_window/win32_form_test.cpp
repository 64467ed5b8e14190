// Forms on the Win32 window system under Wine: the main window from its table, keys, menus, drops, close box.
#include <gtest/gtest.h>

#include "fakes/form_contract.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "about/about_form.h"
#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_form_handles.h"
#include "platform/win32/win32_drop_data.h"
#include "tests/win32_window/form_test_support.h"
#include "tests/win32_window/test_data_object.h"

#include <windows.h>

namespace {

using ks::ControlKind;
using ks::ControlLayout;
using ks::ControlName;
using ks::MainFormLayout;
using ks::win32::Win32Form;
namespace mf = ks::main_form;

using Recorder = ks::fakes::RecordedEvents;
constexpr auto N = ks::fakes::NameText;

using ks::test::ClassOf;
using ks::test::InParent;
using ks::test::PressKey;
using ks::test::Pump;
using ks::test::TextOf;

class Win32FormTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ole_ = new ks::win32::OleInitialization; }
    static void TearDownTestSuite() { delete ole_; }

    void Open(const ks::FormLayout& layout) {
        form_ = std::make_unique<Win32Form>(GetModuleHandleW(nullptr), layout, recorder_);
        form_->Show();
        Pump();
    }
    void SetUp() override { Open(MainFormLayout()); }
    void TearDown() override {
        form_.reset();
        Pump();
    }

    HWND W(ControlName name) const { return form_->ControlWindow(name); }
    std::wstring ControlOf(HWND hwnd) const {
        for (const ControlLayout& c : MainFormLayout().controls)
            if (HWND w = W(c.name); w && (w == hwnd || IsChild(w, hwnd)))
                return N(c.name);
        return L"(none)";
    }
    void ExpectControlsAt96Dpi() const {
        for (const ControlLayout& c : MainFormLayout().controls) {
            SCOPED_TRACE(testing::PrintToString(c.name));
            const RECT box = InParent(W(c.name));
            EXPECT_EQ(GetParent(W(c.name)), form_->Window());
            EXPECT_EQ(box.left, c.left / 15);
            EXPECT_EQ(box.top, c.top / 15);
            EXPECT_EQ(box.right - box.left, c.width / 15);
            EXPECT_EQ(box.bottom - box.top, c.height / 15);
        }
    }

    static ks::win32::OleInitialization* ole_;
    Recorder recorder_;
    std::unique_ptr<Win32Form> form_;
};

ks::win32::OleInitialization* Win32FormTest::ole_ = nullptr;

TEST_F(Win32FormTest, ControlsSitWhereTheTableSaysInPixelsAt96Dpi) {
    ASSERT_EQ(form_->Dpi(), 96u) << "the tests run Wine at its default 96 DPI";
    ExpectControlsAt96Dpi();
    RECT client;
    GetClientRect(form_->Window(), &client);
    EXPECT_EQ(client.right, 433);
    EXPECT_EQ(client.bottom, 177);
    EXPECT_NE(GetMenu(form_->Window()), nullptr);
}

TEST_F(Win32FormTest, EnlargingTheWindowMovesNothing) {
    RECT frame;
    GetWindowRect(form_->Window(), &frame);
    SetWindowPos(form_->Window(), nullptr, 0, 0, 2 * (frame.right - frame.left), 2 * (frame.bottom - frame.top),
                 SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    RECT client;
    GetClientRect(form_->Window(), &client);
    ASSERT_GT(client.right, 433);
    ExpectControlsAt96Dpi();
    EXPECT_NE(GetWindowLongW(form_->Window(), GWL_STYLE) & WS_THICKFRAME, 0);
}

TEST_F(Win32FormTest, EachControlIsTheNativeControlItsKindCallsFor) {
    for (const ControlLayout& c : MainFormLayout().controls) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        const HWND w = W(c.name);
        const LONG style = GetWindowLongW(w, GWL_STYLE);
        switch (c.kind) {
        case ControlKind::Label:
            EXPECT_EQ(ClassOf(w), L"Static");
            EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
            EXPECT_NE(style & SS_NOPREFIX, 0);
            EXPECT_EQ(TextOf(w), c.caption);
            break;
        case ControlKind::ComboBox:
            EXPECT_EQ(ClassOf(w), L"ComboBox");
            EXPECT_EQ(style & 3, CBS_DROPDOWN);
            break;
        case ControlKind::TextBox:
            EXPECT_EQ(ClassOf(w), L"Edit");
            EXPECT_EQ(style & (WS_VSCROLL | WS_HSCROLL), 0);
            EXPECT_EQ(TextOf(w), c.caption);
            if (c.multi_line) {
                EXPECT_EQ(style & (ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL),
                          ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL);
            }
            EXPECT_EQ((style & ES_READONLY) != 0, c.read_only);
            break;
        case ControlKind::Button:
            EXPECT_EQ(ClassOf(w), L"Button");
            EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button on the main window";
            EXPECT_EQ(TextOf(w), c.caption);
            break;
        case ControlKind::Picture: {
            EXPECT_EQ(ClassOf(w), L"Static");
            EXPECT_EQ(style & SS_TYPEMASK, SS_BITMAP);
            EXPECT_NE(style & SS_NOTIFY, 0);
            BITMAP bitmap{};
            const auto image = reinterpret_cast<HBITMAP>(SendMessageW(w, STM_GETIMAGE, IMAGE_BITMAP, 0));
            ASSERT_NE(image, nullptr);
            GetObjectW(image, sizeof bitmap, &bitmap);
            EXPECT_EQ(bitmap.bmWidth, 266);
            EXPECT_EQ(bitmap.bmHeight, 49);
            break;
        }
        case ControlKind::Line:
        case ControlKind::ProgressBar:  // none on the main window
            break;
        }
        EXPECT_EQ((style & WS_TABSTOP) != 0, c.tab_index >= 0 && c.kind != ControlKind::Picture);
        EXPECT_EQ(form_->Text(c.name), c.kind == ControlKind::Picture ? L"" : c.caption);
    }
    EXPECT_NE(SendMessageW(form_->Window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(form_->Window(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Win32FormTest, FontsAreMsSansSerif825PointWithItalicLabels) {
    const HDC dc = CreateCompatibleDC(nullptr);
    for (const ControlLayout& c : MainFormLayout().controls) {
        if (c.kind == ControlKind::Picture)
            continue;  // a bitmap has no text
        SCOPED_TRACE(testing::PrintToString(c.name));
        const auto font = reinterpret_cast<HFONT>(SendMessageW(W(c.name), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW lf{};
        GetObjectW(font, sizeof lf, &lf);
        EXPECT_EQ(lf.lfHeight, -11);  // 8.25 pt at 96 DPI
        EXPECT_EQ(lf.lfWeight, 400);
        EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
        // Where the raster face cannot be slanted, the labels take its outline twin.
        // The printer box and the path field show names in any script: an outline face,
        // to which the system links the faces of other scripts.
        const bool user_text = c.kind == ControlKind::ComboBox ||
                               (c.kind == ControlKind::TextBox && !c.read_only);
        if (c.kind == ControlKind::Label)
            EXPECT_TRUE(lf.lfFaceName == std::wstring(L"MS Sans Serif") ||
                        lf.lfFaceName == std::wstring(L"Microsoft Sans Serif"));
        else if (user_text)
            EXPECT_TRUE(lf.lfFaceName == std::wstring(L"Microsoft Sans Serif") ||
                        lf.lfFaceName == std::wstring(L"Tahoma"));
        else
            EXPECT_EQ(std::wstring(lf.lfFaceName), L"MS Sans Serif");
        // What the font really draws: slanted exactly for the labels, and small
        // enough for the captions to fit.
        const HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        EXPECT_EQ(metrics.tmItalic != 0, c.kind == ControlKind::Label);
        if (user_text)
            EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE) << "an outline face";
        if (c.kind == ControlKind::Label || c.kind == ControlKind::Button) {
            SIZE extent{};
            const std::wstring caption(c.caption);
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
            EXPECT_LE(extent.cx, c.width / 15 - (c.kind == ControlKind::Button ? 8 : 0));
            EXPECT_LE(extent.cy, c.height / 15);
        }
        SelectObject(dc, old);
    }
    DeleteDC(dc);
}

TEST_F(Win32FormTest, LabelsAndSizeFieldAreDrawnOnTheWindowsColour) {
    const HDC dc = GetDC(form_->Window());
    for (const ControlLayout& c : MainFormLayout().controls) {
        if (c.kind != ControlKind::Label && c.name != mf::Text1)
            continue;
        SCOPED_TRACE(testing::PrintToString(c.name));
        const LRESULT brush = SendMessageW(form_->Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(W(c.name)));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_ACTIVEBORDER));
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_ACTIVEBORDER));
    }
    ReleaseDC(form_->Window(), dc);
}

TEST_F(Win32FormTest, OpensCentredWithTheFocusOnFileSelectAndTabVisitsTheTableOrder) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(form_->Window(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT frame;
    GetWindowRect(form_->Window(), &frame);
    EXPECT_LE(std::abs((frame.left + frame.right) - (monitor.rcWork.left + monitor.rcWork.right)), 2);
    EXPECT_LE(std::abs((frame.top + frame.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 2);

    EXPECT_EQ(ControlOf(GetFocus()), N(mf::Command1));
    std::vector<std::wstring> visited;
    for (int i = 0; i < 5; ++i) {
        PressKey(VK_TAB);
        visited.push_back(ControlOf(GetFocus()));
    }
    EXPECT_EQ(visited, (std::vector<std::wstring>{N(mf::Combo1), N(mf::Command2), N(mf::Text2), N(mf::Command3),
                                                  N(mf::Command1)}));
    EXPECT_TRUE(recorder_.events.empty());
}

TEST_F(Win32FormTest, EnterAndEscPressNothingAndEnterBreaksThePathFieldsLine) {
    for (ControlName target : {mf::Command1, mf::Combo1, mf::Text2}) {
        SCOPED_TRACE(testing::PrintToString(target));
        SetFocus(W(target));
        PressKey(VK_RETURN);
        PressKey(VK_ESCAPE);
    }
    EXPECT_TRUE(recorder_.events.empty());
    EXPECT_TRUE(form_->IsOpen()) << "Esc in the multi-line field must not close the window";
    EXPECT_TRUE(IsWindowVisible(form_->Window()));
    form_->SetText(mf::Text2, L"C:\\a");
    SetFocus(W(mf::Text2));
    SendMessageW(W(mf::Text2), EM_SETSEL, 4, 4);
    SendMessageW(W(mf::Text2), WM_CHAR, L'\r', 1);
    EXPECT_EQ(form_->Text(mf::Text2), L"C:\\a\r\n");
}

TEST_F(Win32FormTest, MenusWithoutAccessKeysAndClicksReportTheirNames) {
    const HMENU bar = GetMenu(form_->Window());
    std::vector<std::wstring> titles;
    std::vector<std::wstring> expected;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        titles.push_back(text);
        const HMENU popup = GetSubMenu(bar, i);
        for (int j = 0; j < GetMenuItemCount(popup); ++j) {
            GetMenuStringW(popup, static_cast<UINT>(j), text, 64, MF_BYPOSITION);
            EXPECT_EQ(std::wstring(text).find(L'&'), std::wstring::npos);
            EXPECT_EQ(std::wstring(text).find(L'\t'), std::wstring::npos) << "no shortcut keys";
            SendMessageW(form_->Window(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(popup, j), 0), 0);
            expected.push_back(text);
        }
    }
    EXPECT_EQ(titles, (std::vector<std::wstring>{L"File", L"Help"}));
    EXPECT_EQ(expected, (std::vector<std::wstring>{N(mf::Open), N(mf::Print), N(mf::Exit), N(mf::About)}));
    for (ControlName button : {mf::Command1, mf::Command2, mf::Command3}) {
        SendMessageW(W(button), BM_CLICK, 0, 0);
        expected.push_back(N(button));
    }
    // A click on the banner, and one on a label that reports nothing.
    for (ControlName target : {mf::Image1, mf::Label2}) {
        SendMessageW(W(target), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageW(W(target), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }
    expected.push_back(N(mf::Image1));
    Pump();
    std::vector<std::wstring> clicked;
    for (const Recorder::Event& e : recorder_.events) {
        EXPECT_EQ(e.kind, L"Click");
        clicked.push_back(e.control);
    }
    EXPECT_EQ(clicked, expected);
}

// The targets OLE finds on each window, called as DoDragDrop calls them.
IDropTarget* TargetOf(HWND hwnd) { return static_cast<IDropTarget*>(GetPropW(hwnd, L"OleDropTargetInterface")); }

DWORD DragAndDrop(HWND hwnd, IDataObject* data, DWORD allowed) {
    IDropTarget* target = TargetOf(hwnd);
    if (!target)
        return 0xFFFF;
    POINTL at{0, 0};
    DWORD effect = allowed;
    target->DragEnter(data, MK_LBUTTON, at, &effect);
    effect = allowed;
    target->DragOver(MK_LBUTTON, at, &effect);
    const DWORD over = effect;
    effect = allowed;
    if (over == DROPEFFECT_NONE)
        target->DragLeave();
    else
        target->Drop(data, 0, at, &effect);
    return over;
}

constexpr DWORD kAnyEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

ks::test::TestDataObject* Files() {
    auto* data = new ks::test::TestDataObject;
    data->Add(CF_HDROP, ks::test::FileListBlock({L"C:\\jobs\\first.prn", L"C:\\jobs\\second.prn",
                                                 L"C:\\jobs\\third.prn"}));
    return data;
}

TEST_F(Win32FormTest, EveryDropTargetButDefaultPrinterTakesFilesAsACopy) {
    ks::test::TestDataObject* files = Files();
    std::vector<ControlName> targets = {mf::Kestrelspooler};
    for (const ControlLayout& c : MainFormLayout().controls)
        if (c.accepts_drops)
            targets.push_back(c.name);
    ASSERT_EQ(targets.size(), 10u) << "the window and nine controls";
    for (ControlName name : targets) {
        SCOPED_TRACE(testing::PrintToString(name));
        recorder_.events.clear();
        const HWND hwnd = name == mf::Kestrelspooler ? form_->Window() : W(name);
        EXPECT_EQ(DragAndDrop(hwnd, files, kAnyEffect), static_cast<DWORD>(DROPEFFECT_COPY));
        Pump();
        EXPECT_EQ(recorder_.events,
                  (std::vector<Recorder::Event>{{L"Drop", N(name), true, L"C:\\jobs\\first.prn"}}));
    }
    recorder_.events.clear();
    EXPECT_EQ(DragAndDrop(W(mf::Command3), files, kAnyEffect), static_cast<DWORD>(DROPEFFECT_NONE));
    // A source that only allows a move would lose its files: refused.
    EXPECT_EQ(DragAndDrop(W(mf::Text2), files, DROPEFFECT_MOVE), static_cast<DWORD>(DROPEFFECT_NONE));
    Pump();
    EXPECT_TRUE(recorder_.events.empty());
    files->Release();
    // The text boxes' own handling put nothing in them.
    EXPECT_EQ(form_->Text(mf::Text2), L"");
    EXPECT_EQ(form_->Text(mf::Text1), L"0");
}

TEST_F(Win32FormTest, TextAndMalformedListsAreDropsWithoutAPath) {
    auto* text = new ks::test::TestDataObject;
    text->Add(CF_TEXT, {'C', ':', '\\', 'x', 0});
    EXPECT_EQ(DragAndDrop(W(mf::Label3), text, kAnyEffect), static_cast<DWORD>(DROPEFFECT_COPY));
    text->Release();
    std::vector<Recorder::Event> expected = {{L"Drop", N(mf::Label3), false, std::nullopt}};
    for (const auto& m : ks::test::MalformedBlocks(L"C:\\jobs\\evil.prn")) {
        auto* data = new ks::test::TestDataObject;
        data->Add(CF_HDROP, m.block);
        DragAndDrop(W(mf::Text2), data, kAnyEffect);
        data->Release();
        expected.push_back({L"Drop", N(mf::Text2), true, std::nullopt});
    }
    Pump();
    EXPECT_EQ(recorder_.events, expected);
}

TEST_F(Win32FormTest, CloseBoxReportsUnloadAndCloseDoesNot) {
    SendMessageW(form_->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_EQ(recorder_.events, (std::vector<Recorder::Event>{{L"Unload", L""}}));
    EXPECT_FALSE(form_->IsOpen());
    EXPECT_FALSE(Win32Form::AnyOpen()) << "the program ends with its last window";
    EXPECT_FALSE(IsWindowVisible(form_->Window()));

    form_->Show();
    EXPECT_TRUE(form_->IsOpen());
    EXPECT_EQ(ControlOf(GetFocus()), N(mf::Command1));
    recorder_.events.clear();
    form_->Close();
    EXPECT_TRUE(recorder_.events.empty());
    EXPECT_FALSE(form_->IsOpen());
}

TEST_F(Win32FormTest, BusyPointerWhileBusyOverEveryControl) {
    const HCURSOR wait = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    const HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    auto pointer_over = [&](HWND hwnd) {
        SetCursor(arrow);
        SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    form_->SetBusy(true);
    EXPECT_EQ(GetCursor(), wait);
    for (ControlName over : {mf::Text2, mf::Command2, mf::Label1})
        EXPECT_EQ(pointer_over(W(over)), wait) << testing::PrintToString(over);
    EXPECT_EQ(pointer_over(form_->Window()), wait);
    form_->SetBusy(false);
    EXPECT_NE(pointer_over(W(mf::Command2)), wait);
}

TEST_F(Win32FormTest, ComboBoxBehavesLikeTheHeadlessForm) {
    ks::fakes::ExpectComboBoxLikeHeadlessForm(*form_);
}

TEST_F(Win32FormTest, FollowsTheFormCallsRules) {
    ks::fakes::ExpectTheFormCallsRules(*form_);
}

TEST_F(Win32FormTest, FollowsItsTableAsEveryFormDoes) {
    ks::fakes::ExpectNativeFormFollowsItsTable(*form_, MainFormLayout(), ks::test::ViewOf(*form_, MainFormLayout()));
}

// A fixed dialog with a default and a cancel button, as the About window is.
TEST_F(Win32FormTest, FixedDialogPressesItsDefaultAndCancelButtons) {
    form_.reset();
    recorder_.events.clear();
    Open(ks::AboutFormLayout());
    const LONG style = GetWindowLongW(form_->Window(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_EQ(GetMenu(form_->Window()), nullptr);
    RECT client;
    GetClientRect(form_->Window(), &client);
    EXPECT_EQ(client.right, 5655 / 15);
    EXPECT_EQ(client.bottom, 3270 / 15);
    const HWND ok = W(ks::about_form::cmdOK);
    const HWND web = W(ks::about_form::Command1);
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetFocus(), ok) << "the lowest tab index";
    PressKey(VK_RETURN);
    SetFocus(web);
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    const std::wstring ok_name = N(ks::about_form::cmdOK), web_name = N(ks::about_form::Command1);
    EXPECT_EQ(recorder_.events, (std::vector<Recorder::Event>{
                                    {L"Click", ok_name}, {L"Click", web_name}, {L"Click", ok_name}}));
    EXPECT_EQ(form_->ControlWindow(ks::about_form::Line1[1]), nullptr) << "lines are painted, not windows";
}

// A narrow file list (DROPFILES with fWide 0) holding the path's bytes as its one entry.
std::vector<std::uint8_t> NarrowListOf(const std::string& bytes) {
    std::vector<std::uint8_t> block(20, 0);
    block[0] = 20;  // pFiles
    block.insert(block.end(), bytes.begin(), bytes.end());
    block.insert(block.end(), {0, 0});
    return block;
}

// This program carries the application manifest, so it runs with the ANSI code page
// the program itself gets: UTF-8 where Windows honours the manifest (and under Wine),
// the legacy code page on older systems.
TEST(Win32DropData, NarrowListsComeFromTheAnsiCodePageAndMalformedOnesGiveNoPath) {
    const struct {
        unsigned code_page;
        std::string path;             // the test path as a program in that code page lists it
        std::string in_another_page;  // the same path in bytes this code page cannot read
    } spellings[] = {
        {65001, "C:\\caf\xC3\xA9.prn", "C:\\caf\xE9.prn"},
        {1252, "C:\\caf\xE9.prn", ""},
    };
    const unsigned acp = GetACP();
    const auto* spelling = std::find_if(std::begin(spellings), std::end(spellings),
                                        [acp](const auto& s) { return s.code_page == acp; });
    if (spelling == std::end(spellings))
        GTEST_SKIP() << "no spelling of the test path for the ANSI code page " << acp;

    const ks::win32::Win32DropData narrow(true, NarrowListOf(spelling->path));
    EXPECT_TRUE(narrow.HasFileList());
    EXPECT_EQ(narrow.FirstPath(), L"C:\\caf\u00e9.prn");
    if (!spelling->in_another_page.empty()) {
        const ks::win32::Win32DropData foreign(true, NarrowListOf(spelling->in_another_page));
        EXPECT_EQ(foreign.FirstPath(), std::nullopt) << "bytes that are not UTF-8 name no file";
    }
    const ks::win32::Win32DropData malformed(true, ks::test::MalformedBlocks(L"C:\\x.prn")[0].block);
    EXPECT_TRUE(malformed.HasFileList());
    EXPECT_EQ(malformed.FirstPath(), std::nullopt);
    const ks::win32::Win32DropData text(false, {});
    EXPECT_FALSE(text.HasFileList());
    EXPECT_EQ(text.FirstPath(), std::nullopt);
}

}  // namespace
