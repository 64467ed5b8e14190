// The Win32 open-file dialog under Wine, answered from a second thread as a user would: no hook, the record as built.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "file_chooser/open_file.h"
#include "platform/text.h"
#include "platform/win32/win32_open_file_dialog.h"

namespace ks {
namespace {

std::string Text(HWND hwnd) {
    if (!hwnd)
        return "(none)";
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// Answers the next dialog titled "Open file" from a second thread, as a user would:
// types each of `steps` into its file-name box and presses OK (a folder's path moves
// the dialog there), or presses Cancel for an empty step. Records what the dialog
// showed before the first step.
class Answer {
public:
    struct Seen {
        bool found = false;
        HWND owner = nullptr;
        bool owner_enabled = true;
        std::string name_box, filter, folder_box;
        bool read_only_box_visible = false;
        bool closed = false;  // the dialog went away after the last step
    };

    explicit Answer(std::vector<std::string> steps)
        : steps_(std::move(steps)), thread_([this] { Run(); }) {}
    explicit Answer(std::string typed) : Answer(std::vector<std::string>{std::move(typed)}) {}
    ~Answer() {
        if (thread_.joinable())
            thread_.join();
    }
    const Seen& Wait() {
        if (thread_.joinable())
            thread_.join();
        return seen_;
    }

private:
    void Run() {
        HWND dialog = nullptr;
        for (int i = 0; i < 500 && !dialog; ++i, Sleep(20)) {
            dialog = FindWindowA("#32770", "Open file");
            if (dialog && !IsWindowVisible(dialog))
                dialog = nullptr;
        }
        if (!dialog)
            return;
        HWND name = nullptr;
        for (int i = 0; i < 250 && !name; ++i, Sleep(20))
            name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
        const HWND folder = GetDlgItem(dialog, cmb2);
        seen_.found = true;
        seen_.owner = GetWindow(dialog, GW_OWNER);
        seen_.owner_enabled = seen_.owner && IsWindowEnabled(seen_.owner);
        seen_.name_box = Text(name);
        seen_.filter = Text(GetDlgItem(dialog, cmb1));
        seen_.folder_box = Text(folder);
        const HWND read_only = GetDlgItem(dialog, chx1);
        seen_.read_only_box_visible = read_only && IsWindowVisible(read_only);
        for (std::size_t step = 0; step < steps_.size(); ++step) {
            if (steps_[step].empty()) {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                break;
            }
            const std::string before = Text(folder);
            SetWindowTextA(name, steps_[step].c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            if (step + 1 < steps_.size()) {
                for (int i = 0; i < 100 && Text(folder) == before; ++i)
                    Sleep(20);
            }
        }
    for (int i = 0; i < 250 && IsWindow(dialog); ++i)
            Sleep(20);
        seen_.closed = !IsWindow(dialog);
        // A dialog that stayed (a prompt of its own, say) must not hold the test for ever.
        if (!seen_.closed)
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    std::vector<std::string> steps_;
    Seen seen_;
    std::thread thread_;
};

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

class CurrentFolderProcess : public fakes::FakeProcess {
public:
    std::wstring CurrentFolder() override { return ks::CurrentFolder(); }
};

void MakeFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << ToNative(path);
    DWORD written = 0;
    WriteFile(file, "abc", 3, &written, nullptr);
    CloseHandle(file);
    ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << ToNative(path);
}

class WineDialog : public ::testing::Test {
protected:
    std::wstring work;  // the start folder: C:\ksdlg\work

    void SetUp() override {
        CreateDirectoryW(L"C:\\ksdlg", nullptr);
        CreateDirectoryW(L"C:\\ksdlg\\work", nullptr);
        CreateDirectoryW(L"C:\\ksdlg\\data", nullptr);
        work = L"C:\\ksdlg\\work";
        ASSERT_TRUE(SetCurrentDirectoryW(work.c_str()));
    }
    // A file in the start folder whose full path has exactly `length` characters.
    std::wstring InWorkOfLength(std::size_t length) {
        const std::wstring folder = work + L"\\";
        return folder + std::wstring(length - folder.size() - 4, L'f') + L".bin";
    }
};

TEST_F(WineDialog, RecordOfTheOpenDialogReachesTheWindow) {
    const HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                       200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    struct OwnedForm : HeadlessForm {
        HWND hwnd;
        explicit OwnedForm(HWND h) : HeadlessForm(FormLayout{}), hwnd(h) {}
        void* NativeHandle() const override { return hwnd; }
    } form(owner);
    std::optional<OpenFileRecord> record = OpenDialogRecord(form, L"Open file", work, L"", L"All|*.*", L"");
    ASSERT_TRUE(record);

    Answer answer("");
    EXPECT_FALSE(win32::Win32OpenFileDialog().Show(*record));
    const Answer::Seen& seen = answer.Wait();

    ASSERT_TRUE(seen.found) << "no dialog: a wrong lStructSize is refused before one opens";
    EXPECT_EQ(seen.owner, owner);
    EXPECT_FALSE(seen.owner_enabled) << "modal to its owner";
    EXPECT_EQ(seen.name_box, "");
    EXPECT_EQ(seen.filter, "All");
    EXPECT_EQ(seen.folder_box, "work") << "starts in the folder it was given";
    EXPECT_FALSE(seen.read_only_box_visible);
    EXPECT_TRUE(seen.closed);
    EXPECT_EQ(CurrentFolder(), work);
    DestroyWindow(owner);
}

TEST_F(WineDialog, FileSelectPutsTheAnswerInThePathField) {
    struct Case {
        const char* name;
        std::wstring start;  // current folder when the button is pressed
        std::wstring typed;  // "" presses Cancel
        std::wstring field;  // path field afterwards
        bool loaded;
    };
    const std::wstring accented = L"C:\\ksdlg\\data\\f\u00fcr.bin";
    const Case cases[] = {
        {"full path", work, L"C:\\ksdlg\\data\\fw.bin", L"C:\\ksdlg\\data\\fw.bin", true},
        {"name in the start folder", work, L"fw.bin", work + L"\\fw.bin", true},
        {"drive root file, no doubled separator", work, L"C:\\x.prn", L"C:\\x.prn", true},
        {"name in the ANSI code page", work, accented, accented, true},
        {"cancel", work, L"", work + L"\\", false},
        {"cancel at a drive root", L"C:\\", L"", L"C:\\", false},
        {"a full path of 200 characters", work, InWorkOfLength(200), InWorkOfLength(200), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetCurrentDirectoryW(c.start.c_str()));
        fakes::FakePlatform fake;
        CurrentFolderProcess process;
        win32::Win32OpenFileDialog dialogs;
        Kestrelspooler app(fake.services());
        app.on_file_select = [&] { FileSelectClick(app, dialogs, process); };
        for (const std::wstring& file : {std::wstring(L"C:\\ksdlg\\data\\fw.bin"), work + L"\\fw.bin",
                                         std::wstring(L"C:\\x.prn"), accented, InWorkOfLength(200)}) {
            MakeFile(file);
            fake.files.files[file] = {1, 2, 3};
        }

        Answer answer(ToNative(c.typed));
        app.Click(main_form::Command1);
        const Answer::Seen& seen = answer.Wait();

        EXPECT_TRUE(seen.found);
        EXPECT_TRUE(seen.closed) << "the dialog closed without a prompt of its own";
        EXPECT_EQ(ToNative(app.Window().Text(main_form::Text2)), ToNative(c.field));
        EXPECT_EQ(fake.files.asked, std::vector<std::wstring>{c.field});
        EXPECT_EQ(app.Window().Text(main_form::Text1), c.loaded ? L"3" : L"0");
    }
}

TEST_F(WineDialog, NextDialogStartsWhereTheLastChoiceLeftTheCurrentFolder) {
    MakeFile(L"C:\\ksdlg\\data\\fw.bin");
    fakes::FakePlatform fake;
    CurrentFolderProcess process;
    win32::Win32OpenFileDialog dialogs;
    Kestrelspooler app(fake.services());
    app.on_file_select = [&] { FileSelectClick(app, dialogs, process); };
    {
        // Browsing to the folder moves the current folder there, as choosing in it does.
        Answer first(std::vector<std::string>{"C:\\ksdlg\\data", "fw.bin"});
        app.Click(main_form::Command1);
        ASSERT_TRUE(first.Wait().closed);
        ASSERT_EQ(app.Window().Text(main_form::Text2), L"C:\\ksdlg\\data\\fw.bin");
    }
    Answer second("");
    app.Click(main_form::Open);
    EXPECT_EQ(second.Wait().folder_box, "data");
    EXPECT_EQ(app.Window().Text(main_form::Text2), L"C:\\ksdlg\\data\\");
}

}  // namespace
}  // namespace ks
