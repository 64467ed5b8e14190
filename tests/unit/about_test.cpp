// The About window on fakes: its table, opening and closing, and the browser steps of its web-address button.
#include <gtest/gtest.h>

#include <algorithm>

#include "about/about_form.h"
#include "about/about_window.h"
#include "fakes/fakes.h"
#include "main_window/main_form.h"

namespace ks {
namespace {

namespace af = about_form;

// A browser component that writes each step into a shared log and can be told
// to fail at one of them.
enum class BrowserStep { Create, Visible, Navigate };

class FakeBrowserService : public BrowserService {
public:
    std::vector<std::wstring> log;
    std::optional<BrowserStep> fail_at;
    int alive = 0;

    class Object : public BrowserObject {
    public:
        explicit Object(FakeBrowserService& owner) : owner_(owner) { ++owner_.alive; }
        ~Object() override {
            --owner_.alive;
            owner_.log.push_back(L"release");
        }
        bool SetProperty(std::wstring_view name, bool value) override {
            owner_.log.push_back(L"set " + std::wstring(name) + (value ? L"=true" : L"=false"));
            return owner_.fail_at != BrowserStep::Visible;
        }
        bool CallMethod(std::wstring_view name, const std::wstring& argument) override {
            owner_.log.push_back(L"call " + std::wstring(name) + L"(" + argument + L")");
            return owner_.fail_at != BrowserStep::Navigate;
        }

    private:
        FakeBrowserService& owner_;
    };

    std::unique_ptr<BrowserObject> Create(std::wstring_view name) override {
        log.push_back(L"create " + std::wstring(name));
        if (fail_at == BrowserStep::Create)
            return nullptr;
        return std::make_unique<Object>(*this);
    }
};

// Counts the windows made, so that a second About window would show, and can be
// told to fail to make one.
class CountingWindowSystem : public HeadlessWindowSystem {
public:
    int created = 0;
    bool fail = false;
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override {
        if (fail)
            throw WindowError(L"no window today");
        ++created;
        return headless.CreateForm(layout, events);
    }
    HeadlessWindowSystem headless;
};

class About : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    FakeBrowserService browsers;
    CountingWindowSystem windows;
    AboutWindow about{windows, browsers, fake.messages};

    std::vector<std::wstring> OneOpening() const {
        const std::wstring address(MakerWebAddress());
        return {L"create INTERNETEXPLORER.Application", L"set Visible=true",
                L"call navigate(" + address + L")", L"release"};
    }
};

TEST_F(About, WebAddressIsAFullAddressWithItsScheme) {
    const std::wstring_view address = MakerWebAddress();
    EXPECT_TRUE(address.starts_with(L"http://") || address.starts_with(L"https://"))
        << "the build must set a full address";
    EXPECT_GT(address.size(), std::wstring_view(L"https://").size());
}

TEST_F(About, TableFocusesOkFirstAndTheWebAddressButtonLast) {
    const FormLayout& layout = AboutFormLayout();
    std::vector<const ControlLayout*> focusable;
    for (const ControlLayout& c : layout.controls) {
        if (c.kind == ControlKind::Label || c.kind == ControlKind::Line)
            EXPECT_EQ(c.tab_index, -1) << "a label or line must take no focus";
        else if (c.tab_index >= 0)
            focusable.push_back(&c);
    }
    std::sort(focusable.begin(), focusable.end(),
              [](auto* a, auto* b) { return a->tab_index < b->tab_index; });
    ASSERT_GE(focusable.size(), 2u);
    EXPECT_EQ(focusable.front()->name, af::cmdOK);
    EXPECT_EQ(focusable.back()->name, af::Command1);
    EXPECT_EQ(layout.default_button, af::cmdOK);
    EXPECT_EQ(layout.cancel_button, af::cmdOK);
}

TEST_F(About, NoTwoControlsOverlapButTheLines) {
    const FormLayout& layout = AboutFormLayout();
    for (const ControlLayout& a : layout.controls) {
        EXPECT_LE(a.left + a.width, layout.client_width) << testing::PrintToString(a.name);
        EXPECT_LE(a.top + a.height, layout.client_height) << testing::PrintToString(a.name);
        for (const ControlLayout& b : layout.controls) {
            if (&a == &b || a.kind == ControlKind::Line || b.kind == ControlKind::Line)
                continue;
            const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                               a.top + a.height <= b.top || b.top + b.height <= a.top;
            EXPECT_TRUE(apart) << testing::PrintToString(a.name) << " overlaps " << testing::PrintToString(b.name);
        }
    }
}

TEST_F(About, TheWhiteLineLiesInFrontOfTheGreyOne) {
    const auto& controls = AboutFormLayout().controls;
    auto at = [&](ControlName name) {
        return std::find_if(controls.begin(), controls.end(),
                            [&](const ControlLayout& c) { return c.name == name; });
    };
    ASSERT_NE(at(af::Line1[1]), controls.end());
    ASSERT_NE(at(af::Line1[0]), controls.end());
    EXPECT_LT(at(af::Line1[1]), at(af::Line1[0])) << "later controls are drawn on top";
}

TEST_F(About, WebAddressButtonMakesTheThreeCallsInOrderAndReleases) {
    about.Show();
    EXPECT_EQ(about.Window()->Text(af::Command1), std::wstring(MakerWebAddress()));
    about.Click(af::Command1);
    EXPECT_EQ(browsers.log, OneOpening());
    EXPECT_EQ(browsers.alive, 0) << "the program keeps no reference to the browser";
    EXPECT_TRUE(fake.messages.shown.empty());
    EXPECT_TRUE(about.IsOpen());
}

TEST_F(About, EachClickOpensItsOwnBrowser) {
    about.Show();
    about.Click(af::Command1);
    about.Click(af::Command1);
    std::vector<std::wstring> twice = OneOpening();
    const auto once = OneOpening();
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(browsers.log, twice);
}

TEST_F(About, FailingBrowserIsReportedAndTheProgramCarriesOn) {
    const std::vector<std::wstring> all = OneOpening();
    struct Case {
        const char* name;
        BrowserStep fail_at;
        std::vector<std::wstring> steps;
    };
    const Case cases[] = {
        {"component missing", BrowserStep::Create, {all[0]}},
        {"window refused", BrowserStep::Visible, {all[0], all[1], all[3]}},
        {"navigation failed", BrowserStep::Navigate, all},
    };
    about.Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        browsers.log.clear();
        browsers.fail_at = c.fail_at;
        fake.messages.shown.clear();
        EXPECT_NO_THROW(about.Click(af::Command1));
        EXPECT_EQ(browsers.log, c.steps);
        EXPECT_EQ(browsers.alive, 0);
        ASSERT_EQ(fake.messages.shown.size(), 1u);
        EXPECT_EQ(fake.messages.shown[0].text,
                  std::wstring(kWebPageFailed) + L"\n" + std::wstring(MakerWebAddress()));
        EXPECT_FALSE(about.OpenWebPage());
        EXPECT_TRUE(about.IsOpen());
    }
}

TEST_F(About, BannerThenMenuShowOneWindow) {
    Kestrelspooler app(fake.services());
    app.on_about = [&] { about.Show(); };
    app.Click(main_form::Image1);
    ASSERT_TRUE(about.IsOpen());
    Form* first = about.Window();
    app.Click(main_form::About);
    EXPECT_EQ(windows.created, 1);
    EXPECT_EQ(about.Window(), first);
    EXPECT_TRUE(about.IsOpen());
}

TEST_F(About, OkEscAndEnterClose) {
    // The window system turns Esc and Enter into a Click of the buttons the table
    // names; Enter on a focused web-address button presses that button instead.
    const FormLayout& layout = AboutFormLayout();
    struct Case {
        const char* key;
        ControlName pressed;
        bool closes;
    };
    ASSERT_TRUE(layout.cancel_button && layout.default_button);
    const Case cases[] = {
        {"OK", af::cmdOK, true},
        {"Esc", *layout.cancel_button, true},
        {"Enter", *layout.default_button, true},
        {"Enter on the web-address button", af::Command1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        browsers.log.clear();
        about.Show();
        about.Click(c.pressed);
        EXPECT_EQ(about.IsOpen(), !c.closes);
        EXPECT_EQ(browsers.log.empty(), c.closes);
    }
}

TEST_F(About, AWindowThatCannotBeMadeIsReportedAndTheNextRequestTriesAgain) {
    windows.fail = true;
    EXPECT_NO_THROW(about.Show());
    EXPECT_FALSE(about.IsOpen());
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, std::wstring(kAboutWindowFailed) + L"\nno window today");
    EXPECT_EQ(fake.messages.shown[0].caption, L"Kestrelspooler");
    windows.fail = false;
    about.Show();
    EXPECT_TRUE(about.IsOpen());
}

TEST_F(About, ReopeningShowsTheSameTextsAfresh) {
    about.Show();
    const std::wstring description = about.Window()->Text(af::lblDescription);
    EXPECT_EQ(about.Window()->Text(af::lblTitle), L"Kestrelspooler");
    about.Window()->SetText(af::lblDescription, L"changed while open");
    about.Click(af::cmdOK);
    ASSERT_FALSE(about.IsOpen());
    about.Show();
    EXPECT_EQ(windows.created, 2) << "a closed window is made afresh";
    EXPECT_TRUE(about.IsOpen());
    EXPECT_EQ(about.Window()->Text(af::lblDescription), description);
}

}  // namespace
}  // namespace ks
