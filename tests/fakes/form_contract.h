// What every form does alike, checked once for the Win32, Qt and headless forms: the rules of platform/form_rules.h.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "main_window/main_form.h"
#include "table_form/table_form.h"
#include "progress/progress_form.h"
#include "table_form/headless_form.h"

namespace ks::fakes {

namespace mf = main_form;

// The Form calls on the main window: lookups, list bounds, the combo box's selection,
// captions, pictures.
inline void ExpectTheFormCallsRules(Form& form) {
    EXPECT_THROW(form.Text(ControlName(L"NoSuchControl")), std::logic_error);
    EXPECT_THROW(form.SetText(ControlName(L"Combo 1"), L"x"), std::logic_error);
    EXPECT_THROW(form.ItemCount(mf::Text2), std::logic_error) << "a text box has no list";
    EXPECT_THROW(form.AddItem(mf::Command1, L"x"), std::logic_error);

    form.AddItem(mf::Combo1, L"only");
    EXPECT_THROW(form.Item(mf::Combo1, 1), std::out_of_range);
    EXPECT_THROW(form.Item(mf::Combo1, -1), std::out_of_range);
    EXPECT_THROW(form.SetSelectedIndex(mf::Combo1, 1), std::out_of_range);
    EXPECT_THROW(form.SetSelectedIndex(mf::Combo1, -1), std::out_of_range);
    EXPECT_EQ(form.SelectedIndex(mf::Combo1), -1) << "a refused selection selects nothing";
    form.SetSelectedIndex(mf::Combo1, 0);
    EXPECT_EQ(form.Text(mf::Combo1), L"only");
    form.SetText(mf::Combo1, L"only");
    EXPECT_EQ(form.SelectedIndex(mf::Combo1), 0) << "the selected entry's own text keeps it selected";
    form.SetText(mf::Combo1, L"typed");
    EXPECT_EQ(form.SelectedIndex(mf::Combo1), -1) << "an edited text drops the selection";
    EXPECT_EQ(form.Text(mf::Combo1), L"typed");

    // No access keys: an "&" is read back as it was set, on a button as anywhere else.
    for (const std::wstring text : {L"A&B", L"&&", L"Fish & Chips&"}) {
        for (ControlName control : {mf::Command3, mf::Text2, mf::Label1}) {
            SCOPED_TRACE(testing::PrintToString(control) + " " + std::string(text.begin(), text.end()));
            form.SetText(control, text);
            EXPECT_EQ(form.Text(control), text);
        }
    }
    // The banner shows a picture, not a text.
    form.SetText(mf::Image1, L"text");
    EXPECT_EQ(form.Text(mf::Image1), L"");
}

// The progress window's bar: its position stays in range, it holds no text, and only a
// progress bar has a position. `form` is a progress window.
inline void ExpectProgressBarRules(Form& form) {
    namespace pf = progress_form;
    EXPECT_THROW(form.SetProgress(pf::lblSent, 1), std::logic_error);
    EXPECT_THROW(form.Progress(pf::cmdCancel), std::logic_error);
    EXPECT_THROW(form.ItemCount(pf::prgSent), std::logic_error) << "a progress bar has no list";
    EXPECT_EQ(form.Progress(pf::prgSent), 0) << "a new bar is empty";
    const struct {
        int set, read;
    } values[] = {{500, 500}, {kProgressFull, kProgressFull}, {kProgressFull + 1, kProgressFull}, {-5, 0}, {1, 1}};
    for (const auto& v : values) {
        form.SetProgress(pf::prgSent, v.set);
        EXPECT_EQ(form.Progress(pf::prgSent), v.read) << "set " << v.set;
    }
    form.SetText(pf::prgSent, L"text");
    EXPECT_EQ(form.Text(pf::prgSent), L"");
}

// The combo box keeps list, selection and text as the headless form does: the core's
// unit tests run on that one, and a native form that drifted from it would make
// them prove nothing about the real window. `native` is a main window.
inline void ExpectComboBoxLikeHeadlessForm(Form& native) {
    HeadlessForm headless(MainFormLayout());
    const ControlName box = mf::Combo1;
    const struct {
        const char* step;
        std::function<void(Form&)> run;
    } steps[] = {
        {"text before the list", [&](Form& f) { f.SetText(box, L"Remembered"); }},
        {"first entry", [&](Form& f) { f.AddItem(box, L"Laser"); }},
        {"second entry", [&](Form& f) { f.AddItem(box, L"Label printer"); }},
        {"select", [&](Form& f) { f.SetSelectedIndex(box, 1); }},
        {"add while selected", [&](Form& f) { f.AddItem(box, L"Third"); }},
        {"the selected entry's own text", [&](Form& f) { f.SetText(box, L"Label printer"); }},
        {"type over", [&](Form& f) { f.SetText(box, L"Other"); }},
        {"select first", [&](Form& f) { f.SetSelectedIndex(box, 0); }},
        {"empty text", [&](Form& f) { f.SetText(box, L""); }},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.run(native);
        s.run(headless);
        EXPECT_EQ(native.Text(box), headless.Text(box));
        EXPECT_EQ(native.SelectedIndex(box), headless.SelectedIndex(box));
        ASSERT_EQ(native.ItemCount(box), headless.ItemCount(box));
        for (int i = 0; i < native.ItemCount(box); ++i)
            EXPECT_EQ(native.Item(box, i), headless.Item(box, i));
    }
}

// What a test sees of a native form beyond the Form calls.
struct NativeView {
    double dpi;
    // A control's place in the client area in pixels: left, top, width, height.
    std::function<std::array<int, 4>(ControlName)> place;
    // The form's control that holds the keyboard focus, "(none)" for none.
    std::function<std::wstring()> focused;
    // Presses the Tab key in the form.
    std::function<void()> press_tab;
    // The text the native control holds, as the platform draws it.
    std::function<std::wstring(ControlName)> native_text;
};

// A shown native form follows the rules the table gives it: every control at its
// twips in pixels at the form's DPI, the focus first on the first control of the tab
// order and Tab going round that order, and captions that carry no access key.
inline void ExpectNativeFormFollowsItsTable(Form& form, const FormLayout& layout, const NativeView& view) {
    for (const ControlLayout& c : layout.controls) {
        if (c.kind == ControlKind::Line)
            continue;  // painted by the form, not a control of its own
        SCOPED_TRACE(testing::PrintToString(c.name));
        const std::array<int, 4> place = view.place(c.name);
        EXPECT_EQ(place[0], TwipsToPixels(c.left, view.dpi));
        EXPECT_EQ(place[1], TwipsToPixels(c.top, view.dpi));
        EXPECT_EQ(place[2], TwipsToPixels(c.width, view.dpi));
        // A combo box's field is as high as its font needs, which may be more.
        if (c.kind == ControlKind::ComboBox)
            EXPECT_GE(place[3], TwipsToPixels(c.height, view.dpi));
        else
            EXPECT_EQ(place[3], TwipsToPixels(c.height, view.dpi));
    }

    std::vector<std::wstring> order;
    for (std::size_t i : TabOrder(layout.controls))
        order.emplace_back(layout.controls[i].name.View());
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(view.focused(), order.front()) << "the first of the tab order has the focus";
    std::vector<std::wstring> visited;
    for (std::size_t i = 0; i < order.size(); ++i) {
        view.press_tab();
        visited.push_back(view.focused());
    }
    std::rotate(order.begin(), order.begin() + 1, order.end());
    EXPECT_EQ(visited, order) << "Tab goes round the tab order and back to the first";

    for (const ControlLayout& c : layout.controls) {
        if (c.kind != ControlKind::Button)
            continue;
        SCOPED_TRACE(testing::PrintToString(c.name));
        const std::wstring caption = form.Text(c.name);
        form.SetText(c.name, L"Save & Print");
        EXPECT_EQ(view.native_text(c.name), L"Save && Print") << "a single & would mark an access key";
        form.SetText(c.name, caption);
    }
}

}  // namespace ks::fakes
