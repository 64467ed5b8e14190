// The rules every form shares: pixels from twips, captions, focus and tab order, owned tables, and the headless form held to them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "fakes/form_contract.h"
#include "main_window/main_form.h"
#include "table_form/table_form.h"

namespace ks {
namespace {

TEST(TwipsToPixels, FifteenTwipsAPixelAt96DpiRoundedToTheNearest) {
    struct Case {
        const char* name;
        int twips;
        double dpi;
        int pixels;
    };
    const Case cases[] = {
        {"whole pixels at 96", 6495, 96, 433},
        {"just under half a pixel", 7, 96, 0},
        {"a half rounds up", 1215, 144, 122},  // 121.5
        {"120 DPI rounded down", 315, 120, 26},  // 26.25
        {"fractional logical DPI", 1440, 96.5, 97},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels);
    }
}

TEST(Captions, AnAmpersandIsShownDoubledAndReadBackSingle) {
    struct Case {
        const wchar_t* caption;
        const wchar_t* shown;
    };
    const Case cases[] = {{L"Print", L"Print"}, {L"A&B", L"A&&B"}, {L"x&", L"x&&"}, {L"&&&", L"&&&&&&"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.caption)));
        EXPECT_EQ(CaptionShown(c.caption), c.shown);
        EXPECT_EQ(CaptionRead(c.shown), c.caption);
    }
    // What a platform hands back undoubled (a caption set behind the form's back) is kept.
    EXPECT_EQ(CaptionRead(L"A&B"), L"A&B");
}

ControlLayout Control(ControlKind kind, int tab_index, bool read_only = false) {
    return {.kind = kind, .name = ControlName(L"c"), .left = 0, .top = 0, .width = 1, .height = 1,
            .caption = L"", .tab_index = tab_index, .read_only = read_only};
}

TEST(FocusOf, OnlyBoxesAndButtonsTakeTheFocusAndOnlyWithATabIndexFromTab) {
    struct Case {
        const char* name;
        ControlLayout control;
        Focus focus;
    };
    // Which kinds take the Tab focus at all is the tab-order test's; here, the other two answers.
    const Case cases[] = {
        {"text box without a tab index", Control(ControlKind::TextBox, -1), Focus::Click},
        {"read-only text box", Control(ControlKind::TextBox, 2, true), Focus::Click},
        {"label with a tab index", Control(ControlKind::Label, 6), Focus::None},
        {"picture with a tab index", Control(ControlKind::Picture, 1), Focus::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FocusOf(c.control), c.focus);
    }
}

TEST(TabOrder, ByTabIndexTiesInTableOrderAndOnlyWhatTakesTabFocus) {
    const std::vector<ControlLayout> controls = {
        Control(ControlKind::Button, 5),          // 0
        Control(ControlKind::Label, 0),           // 1: labels take no focus
        Control(ControlKind::TextBox, 2),         // 2
        Control(ControlKind::ComboBox, 5),        // 3: ties with 0, comes after it
        Control(ControlKind::TextBox, 1, true),   // 4: read-only
        Control(ControlKind::Button, -1),         // 5: no tab index
        Control(ControlKind::Button, 0),          // 6
    };
    EXPECT_EQ(TabOrder(controls), (std::vector<std::size_t>{6, 2, 0, 3}));
    EXPECT_TRUE(TabOrder({}).empty());
}

TEST(OwnedLayout, KeepsEveryTextAfterTheCallersTableIsGone) {
    auto source = std::make_unique<std::vector<std::wstring>>(
        std::vector<std::wstring>{L"form", L"title", L"icon", L"menu", L"Menu", L"entry", L"Entry",
                                  L"box", L"caption", L"face", L"ok"});
    const auto& t = *source;
    auto layout = std::make_unique<FormLayout>(FormLayout{
        .name = ControlName(t[0]), .title = t[1], .client_width = 1, .client_height = 1,
        .border = BorderStyle::Sizable, .system_background = false, .icon = t[2],
        .menus = {{ControlName(t[3]), t[4], {{ControlName(t[5]), t[6]}}}},
        .controls = {{.kind = ControlKind::Button, .name = ControlName(t[7]), .left = 0, .top = 0,
                      .width = 1, .height = 1, .caption = t[8], .tab_index = 0, .font = {.face = t[9]}}},
        .default_button = ControlName(t[10])});
    const OwnedLayout owned(*layout);
    // Overwrite, then free, what the views pointed at.
    for (std::wstring& text : *source)
        text.assign(text.size(), L'#');
    layout.reset();
    source.reset();

    const FormLayout& kept = owned.Get();
    EXPECT_EQ(kept.name.View(), L"form");
    EXPECT_EQ(kept.title, L"title");
    EXPECT_EQ(kept.icon, L"icon");
    EXPECT_EQ(kept.menus[0].name.View(), L"menu");
    EXPECT_EQ(kept.menus[0].caption, L"Menu");
    EXPECT_EQ(kept.menus[0].entries[0].name.View(), L"entry");
    EXPECT_EQ(kept.menus[0].entries[0].caption, L"Entry");
    EXPECT_EQ(kept.controls[0].name.View(), L"box");
    EXPECT_EQ(kept.controls[0].caption, L"caption");
    EXPECT_EQ(kept.controls[0].font.face, L"face");
    ASSERT_TRUE(kept.default_button);
    EXPECT_EQ(kept.default_button->View(), L"ok");
}

TEST(HeadlessForm, FollowsTheFormCallsRules) {
    HeadlessForm form(MainFormLayout());
    fakes::ExpectTheFormCallsRules(form);
}

TEST(HeadlessForm, FollowsTheProgressBarRules) {
    HeadlessForm form(ProgressFormLayout(L"Printing x.prn", L"x.prn"));
    fakes::ExpectProgressBarRules(form);
}

}  // namespace
}  // namespace ks
