// The open-file dialog routines and the File select handler, against a scripted dialog.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "file_chooser/open_file.h"

namespace ks {
namespace {

namespace mf = main_form;
namespace fc = file_chooser;

// Answers like the platform's dialog: a confirmed path must leave room for its NUL in
// the buffer, the name starts after the last separator, and a confirmed choice moves
// the current folder to the file's folder.
class FakeDialog : public OpenFileDialogService {
public:
    wchar_t separator = L'\\';
    std::optional<std::wstring> choice;  // nullopt: the user cancels
    bool fail = false;                   // the dialog could not be shown
    std::optional<std::uint16_t> offset; // overrides the offset the dialog reports
    fakes::FakeProcess* process = nullptr;
    std::vector<OpenFileRecord> seen;

    bool Show(OpenFileRecord& record) override {
        seen.push_back(record);
        if (fail || !choice || choice->size() >= record.nMaxFile)
            return false;
        record.lpstrFile = *choice;
        record.lpstrFile.resize(record.nMaxFile, L'\0');
        const std::size_t name_at = choice->rfind(separator) + 1;
        record.nFileOffset = offset.value_or(static_cast<std::uint16_t>(name_at));
        record.nFileExtension = 99;
        if (process) {
            std::wstring folder = choice->substr(0, name_at);
            const bool root = folder.size() == 1 || (folder.size() == 3 && folder[1] == L':');
            if (!root)
                folder.pop_back();
            process->current_folder = folder;
        }
        return true;
    }
    wchar_t PathSeparator() const override { return separator; }
};

// A window whose native handle can be told apart from none.
class OwnerForm : public HeadlessForm {
public:
    OwnerForm() : HeadlessForm(FormLayout{}) {}
    void* NativeHandle() const override { return const_cast<OwnerForm*>(this); }
};

// A path of exactly `length` characters in a folder of drive C.
std::wstring PathOfLength(std::size_t length) {
    const std::wstring folder = L"C:\\firmware\\";
    return folder + std::wstring(length - folder.size() - 4, L'f') + L".bin";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class FileSelect : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    FakeDialog dialog;
    std::unique_ptr<Kestrelspooler> app;

    void SetUp() override {
        dialog.process = &fake.process;
        app = std::make_unique<Kestrelspooler>(fake.services());
        app->on_file_select = [this] { FileSelectClick(*app, dialog, fake.process); };
    }
    std::wstring PathField() { return app->Window().Text(mf::Text2); }
    std::wstring SizeField() { return app->Window().Text(mf::Text1); }
};

TEST_F(FileSelect, PathFieldGetsTheChoiceOrTheCurrentFolderAndTheLoadAlwaysRuns) {
    struct Case {
        const char* name;
        wchar_t separator;
        std::wstring current;
        std::optional<std::wstring> choice;
        std::wstring field;
    };
    const Case cases[] = {
        {"chosen file", L'\\', L"C:\\work", L"C:\\data\\fw.bin", L"C:\\data\\fw.bin"},
        {"drive root file, no doubled separator", L'\\', L"C:\\work", L"D:\\x.prn", L"D:\\x.prn"},
        {"cancel in a folder", L'\\', L"C:\\work", std::nullopt, L"C:\\work\\"},
        {"cancel at a drive root", L'\\', L"C:\\", std::nullopt, L"C:\\"},
        {"200 characters fit", L'\\', L"C:\\work", PathOfLength(200), PathOfLength(200)},
        {"the longest path fits", L'\\', L"C:\\work", PathOfLength(32767), PathOfLength(32767)},
        {"longer than any path ends like cancel", L'\\', L"C:\\work", PathOfLength(32768), L"C:\\work\\"},
        {"posix chosen file", L'/', L"/home/u", L"/data/fw.bin", L"/data/fw.bin"},
        {"posix root file", L'/', L"/home/u", L"/x.prn", L"/x.prn"},
        {"posix cancel", L'/', L"/home/u", std::nullopt, L"/home/u/"},
        {"posix cancel at the root", L'/', L"/", std::nullopt, L"/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.separator = c.separator;
        dialog.choice = c.choice;
        fake.process.current_folder = c.current;
        fake.files.files.clear();
        fake.files.asked.clear();
        if (c.choice)
            fake.files.files[*c.choice] = {1, 2, 3};
        const bool loads = c.choice && c.choice->size() < fc::kFileBufferLength;

        app->Click(mf::Command1);

        EXPECT_EQ(dialog.seen.back().lpstrInitialDir, c.current);
        EXPECT_EQ(PathField(), c.field);
        EXPECT_EQ(fake.files.asked, std::vector<std::wstring>{c.field}) << "the load runs once";
        EXPECT_EQ(SizeField(), loads ? L"3" : L"0");
    }
}

TEST_F(FileSelect, RecordHasTheOpenDialogsValues) {
    OwnerForm owner;
    std::wstring folder = L"C:\\work";
    ASSERT_EQ(ShowOpen(dialog, owner, L"Open file", folder, L"", L"All|*.*", L""), L"");
    ASSERT_EQ(dialog.seen.size(), 1u);
    const OpenFileRecord& r = dialog.seen[0];
    EXPECT_EQ(r.lStructSize, RecordForm::Version400);
    EXPECT_EQ(r.hwndOwner, &owner);
    EXPECT_EQ(r.hInstance, nullptr);
    EXPECT_EQ(r.lpstrFilter, std::wstring(L"All\0*.*\0\0", 9));
    EXPECT_FALSE(r.lpstrCustomFilter);
    EXPECT_EQ(r.nMaxCustFilter, 0u);
    EXPECT_EQ(r.nFilterIndex, 1u);
    EXPECT_EQ(r.lpstrFile, std::wstring(32768, L'\0'));
    EXPECT_EQ(r.nMaxFile, 32768u);
    EXPECT_FALSE(r.lpstrFileTitle);
    EXPECT_EQ(r.nMaxFileTitle, 0u);
    EXPECT_EQ(r.lpstrInitialDir, L"C:\\work");
    EXPECT_EQ(r.lpstrTitle, L"Open file");
    EXPECT_EQ(r.Flags, 0x1804u);
    EXPECT_EQ(r.nFileOffset, 0);
    EXPECT_EQ(r.nFileExtension, 0);
    EXPECT_EQ(r.lpstrDefExt, L"");
    EXPECT_EQ(r.lCustData, 0u);
    EXPECT_EQ(r.lpfnHook, nullptr);
    EXPECT_FALSE(r.lpTemplateName);
}

TEST_F(FileSelect, FileOpenAndFileSelectBehaveAlike) {
    dialog.choice = L"C:\\data\\fw.bin";
    fake.files.files[L"C:\\data\\fw.bin"] = {9};
    app->Click(mf::Command1);
    const std::wstring by_button = PathField();
    fake.process.current_folder = L"C:\\work";
    app->Window().SetText(mf::Text2, L"");
    app->Click(mf::Open);

    ASSERT_EQ(dialog.seen.size(), 2u);
    EXPECT_EQ(PathField(), by_button);
    EXPECT_EQ(SizeField(), L"1");
    EXPECT_EQ(dialog.seen[1].lpstrInitialDir, dialog.seen[0].lpstrInitialDir);
    EXPECT_EQ(dialog.seen[1].lpstrTitle, dialog.seen[0].lpstrTitle);
    EXPECT_EQ(dialog.seen[1].lpstrFilter, dialog.seen[0].lpstrFilter);
    EXPECT_EQ(fake.files.asked.size(), 2u);
}

TEST_F(FileSelect, NextPressStartsAfreshWhereTheLastChoiceLeftTheCurrentFolder) {
    dialog.choice = L"C:\\data\\fw.bin";
    app->Click(mf::Command1);
    dialog.choice = std::nullopt;
    app->Click(mf::Command1);

    ASSERT_EQ(dialog.seen.size(), 2u);
    EXPECT_EQ(dialog.seen[1].lpstrInitialDir, L"C:\\data");
    EXPECT_EQ(dialog.seen[1].lpstrFile, std::wstring(fc::kFileBufferLength, L'\0'))
        << "the last answer must not come back as the initial name";
    EXPECT_EQ(dialog.seen[1].nFileOffset, 0);
    EXPECT_EQ(dialog.seen[1].nFileExtension, 0);
    EXPECT_EQ(PathField(), L"C:\\data\\");
}

TEST_F(FileSelect, FailedDialogEndsLikeCancel) {
    dialog.fail = true;
    dialog.choice = L"C:\\data\\fw.bin";
    app->Click(mf::Command1);
    EXPECT_EQ(PathField(), L"C:\\work\\");
    EXPECT_EQ(fake.files.asked, std::vector<std::wstring>{L"C:\\work\\"});
}

TEST(ShowOpen, FolderIsWrittenBackOnlyAfterAConfirmedChoice) {
    struct Case {
        const char* name;
        std::optional<std::wstring> choice;
        std::optional<std::uint16_t> offset;
        std::wstring folder, result;
    };
    const Case cases[] = {
        {"chosen", L"C:\\data\\fw.bin", {}, L"C:\\data\\", L"fw.bin"},
        {"drive root", L"D:\\x.prn", {}, L"D:\\", L"x.prn"},
        {"cancelled", std::nullopt, {}, L"C:\\work", L""},
        {"offset past the path", L"C:\\a.bin", 200, L"C:\\a.bin", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDialog dialog;
        dialog.choice = c.choice;
        dialog.offset = c.offset;
        OwnerForm owner;
        std::wstring folder = L"C:\\work";
        EXPECT_EQ(ShowOpen(dialog, owner, L"t", folder, L"", L"All|*.*", L""), c.result);
        EXPECT_EQ(folder, c.folder);
    }
}

TEST(ShowOpen, InitialNameOfAtMost128Characters) {
    struct Case {
        std::size_t name_length;
        bool shown;
    };
    const Case cases[] = {{0, true}, {128, true}, {129, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name_length << " characters");
        FakeDialog dialog;
        OwnerForm owner;
        std::wstring folder = L"C:\\work";
        const std::wstring initial(c.name_length, L'n');
        const auto result = ShowOpen(dialog, owner, L"t", folder, initial, L"All|*.*", L"");
        EXPECT_EQ(dialog.seen.size(), c.shown ? 1u : 0u);
        EXPECT_EQ(result.has_value(), c.shown);
        EXPECT_EQ(folder, L"C:\\work");
        if (c.shown) {
            EXPECT_EQ(dialog.seen[0].lpstrFile.size(), fc::kFileBufferLength);
            EXPECT_EQ(dialog.seen[0].lpstrFile.substr(0, c.name_length), initial);
        }
    }
}

TEST(FilterList, EveryBarBecomesNulAndASecondNulClosesTheList) {
    struct Case {
        std::wstring filter, list;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {L"All|*.*", L"All\0*.*\0\0"s},
        {L"Printer files|*.prn;*.bin|All|*.*", L"Printer files\0*.prn;*.bin\0All\0*.*\0\0"s},
        {L"", L"\0\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.filter));
        EXPECT_EQ(FilterList(c.filter), c.list);
    }
}

}  // namespace
}  // namespace ks
