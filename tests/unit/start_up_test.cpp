// Start-up, the command-line run, the remembered printer, and the main window's events.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "main_window/main_form.h"

namespace ks {
namespace {

namespace mf = main_form;

class StartUp : public ::testing::Test {
protected:
    fakes::FakePlatform fake;

    void SetUp() override {
        fake.printers.installed = {L"Laser", L"Label"};
        fake.printers.system_default = L"Label";
        fake.files.files[L"C:\\path with spaces\\fw.bin"] = {0xAA, 0xBB};
        fake.files.files[L"a.prn b.prn"] = {7};
    }
    void Remember(const std::wstring& name) {
        fake.settings.Save(L"Kestrelspooler", L"STARTUP", L"Drucker", name);
        fake.settings.saves = 0;
    }
};

TEST_F(StartUp, FirstInteractiveRunShowsTheListAnEmptyBoxAndNothingLoaded) {
    Kestrelspooler app(fake.services());
    app.Load();
    Form& form = app.Window();
    ASSERT_EQ(form.ItemCount(mf::Combo1), 2);
    EXPECT_EQ(form.Item(mf::Combo1, 0), L"Laser");
    EXPECT_EQ(form.Item(mf::Combo1, 1), L"Label");
    EXPECT_EQ(form.Text(mf::Combo1), L"") << "nothing remembered yet";
    EXPECT_EQ(form.Text(mf::Text2), L"");
    EXPECT_EQ(form.Text(mf::Text1), L"0");
    EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(StartUp, GetPrintersPreselectsTheSystemDefaultWhenListed) {
    struct Case {
        std::vector<std::wstring> installed;
        std::optional<std::wstring> system_default;
        int selected;
    };
    const Case cases[] = {
        {{L"Laser", L"Label"}, L"Label", 1},
        {{L"Laser", L"Label"}, L"Elsewhere", -1},
        {{}, std::nullopt, -1},
        {{L"Laser", L"Laser"}, L"Laser", 0},
    };
    for (const Case& c : cases) {
        fake.printers.installed = c.installed;
        fake.printers.system_default = c.system_default;
        Kestrelspooler app(fake.services());
        app.GetPrinters();
        EXPECT_EQ(app.Window().ItemCount(mf::Combo1), static_cast<int>(c.installed.size()));
        EXPECT_EQ(app.Window().SelectedIndex(mf::Combo1), c.selected);
    }
}

TEST_F(StartUp, CloseRemembersThePrinterNameAndExitDoesNot) {
    Remember(L"Laser");
    int exits = 0;
    {
        Kestrelspooler app(fake.services());
        app.Load();
        EXPECT_EQ(app.Window().Text(mf::Combo1), L"Laser");
        app.Window().SetText(mf::Combo1, L"Label");
        app.Unload();
    }
    EXPECT_EQ(fake.settings.Remembered(), L"Label");
    {
        Kestrelspooler app(fake.services());
        app.Load();
        EXPECT_EQ(app.Window().Text(mf::Combo1), L"Label");
        app.on_exit = [&exits] { ++exits; };
        app.Window().SetText(mf::Combo1, L"typed but never saved");
        app.Click(mf::Exit);
        EXPECT_EQ(exits, 1) << "the event loop is left";
        EXPECT_FALSE(fake.process.ended) << "the process is not ended from the handler";
    }
    EXPECT_EQ(fake.settings.Remembered(), L"Label");
    EXPECT_EQ(fake.settings.saves, 1);
}

TEST_F(StartUp, ARememberedNameThatIsNoPrinterStandsInTheBoxAsText) {
    Remember(L"Gone");
    Kestrelspooler app(fake.services());
    app.Load();
    EXPECT_EQ(app.Window().Text(mf::Combo1), L"Gone");
    EXPECT_EQ(app.Window().SelectedIndex(mf::Combo1), -1);
}

class Loader : public StartUp {};

TEST_F(Loader, AFailedLoadEmptiesTheBufferSoAnOldFileIsNeverSentUnderANewPath) {
    fake.files.files[L"/empty"] = {};
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    fake.files.files[L"/all-bytes"] = all;
    Kestrelspooler app(fake.services());
    struct Step {
        const wchar_t* path;
        bool loaded;
        const wchar_t* size;
    };
    const Step steps[] = {
        {L"/all-bytes", true, L"256"}, {L"/missing", false, L"0"},
        {L"/all-bytes", true, L"256"}, {L"", false, L"0"},
        {L"/empty", true, L"0"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.path);
        app.Window().SetText(mf::Text2, s.path);
        EXPECT_EQ(app.OpenFi(), s.loaded);
        EXPECT_EQ(app.Window().Text(mf::Text1), s.size);
        EXPECT_EQ(std::to_wstring(app.FileBuffer().size()), s.size);
        EXPECT_EQ(app.Window().Text(mf::Text2), s.path) << "the path field is left alone";
        if (std::wstring(s.path) == L"/all-bytes") {
            EXPECT_TRUE(std::equal(all.begin(), all.end(), app.FileBuffer().data()));
        }
    }
    EXPECT_TRUE(fake.messages.shown.empty()) << "loading never shows a message";
}

TEST_F(Loader, DropsLoadTheFirstFileAndOtherDataReloadsThePathField) {
    Kestrelspooler app(fake.services());
    app.Load();
    fakes::FakeDrop files;
    files.has_list = true;
    files.first = L"a.prn b.prn";
    fakes::FakeDrop text;

    for (ControlName target : {mf::Text2, mf::Label1, mf::Image1, mf::Kestrelspooler}) {
        SCOPED_TRACE(testing::PrintToString(target));
        app.Window().SetText(mf::Text2, L"");
        app.Drop(target, files);
        EXPECT_EQ(app.Window().Text(mf::Text2), L"a.prn b.prn");
        EXPECT_EQ(app.Window().Text(mf::Text1), L"1");
    }

    app.Window().SetText(mf::Text2, L"C:\\path with spaces\\fw.bin");  // typed, not yet loaded
    EXPECT_EQ(app.FileBuffer().size(), 1u);
    app.Drop(mf::Kestrelspooler, text);
    EXPECT_EQ(app.Window().Text(mf::Text2), L"C:\\path with spaces\\fw.bin");
    EXPECT_EQ(app.Window().Text(mf::Text1), L"2");

    // The forms deliver no drop from a control whose table entry refuses them.
    for (const ControlLayout& c : MainFormLayout().controls)
        EXPECT_EQ(c.accepts_drops, c.name != mf::Command3) << "only the Default printer button takes no drops";
}

// A window system that cannot make a window, as when the system refuses one.
class BrokenWindowSystem : public HeadlessWindowSystem {
public:
    std::unique_ptr<Form> CreateForm(const FormLayout&, FormEvents&) override {
        throw WindowError(L"the form's window could not be created: Out of memory.");
    }
};

TEST(RunReportingWindowFailures, AWindowThatCannotBeMadeIsShownAndTheRunEndsWithStatusOne) {
    struct Case {
        const char* name;
        bool broken;
        int status;
        std::vector<std::wstring> shown;
    };
    const Case cases[] = {
        {"the run's own status", false, 0, {}},
        {"no window", true, 1,
         {L"Kestrelspooler: The window could not be created:\nthe form's window could not be created: Out of "
          L"memory."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakePlatform fake;
        BrokenWindowSystem broken;
        WindowSystem& windows = c.broken ? static_cast<WindowSystem&>(broken) : fake.windows;
        const int status = RunReportingWindowFailures(fake.messages, [&] {
            Kestrelspooler app(
                {fake.printers, fake.spooler, fake.files, fake.settings, fake.process, fake.messages, windows});
            app.Load();
            return c.status;
        });
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(fake.messages.Lines(), c.shown);
    }
}

}  // namespace
}  // namespace ks
