// What every form does alike, whatever draws it: pixels from twips, captions, focus and tab order, control lookup, the combo box.
#include "table_form/table_form.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace ks {

namespace {

bool HoldsText(ControlKind kind) {
    return kind != ControlKind::Picture && kind != ControlKind::Line && kind != ControlKind::ProgressBar;
}

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return "label";
    case ControlKind::ComboBox: return "combo box";
    case ControlKind::TextBox: return "text box";
    case ControlKind::Button: return "button";
    case ControlKind::Picture: return "picture";
    case ControlKind::Line: return "line";
    case ControlKind::ProgressBar: return "progress bar";
    }
    return "control";
}

std::string Narrow(std::wstring_view name) { return std::string(name.begin(), name.end()); }

}  // namespace

int TwipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

std::wstring CaptionShown(std::wstring_view caption) {
    std::wstring shown;
    for (wchar_t c : caption) {
        shown.push_back(c);
        if (c == L'&')
            shown.push_back(L'&');
    }
    return shown;
}

std::wstring CaptionRead(std::wstring_view shown) {
    std::wstring caption;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        caption.push_back(shown[i]);
        if (shown[i] == L'&' && i + 1 < shown.size() && shown[i + 1] == L'&')
            ++i;
    }
    return caption;
}

Focus FocusOf(const ControlLayout& control) {
    switch (control.kind) {
    case ControlKind::ComboBox:
    case ControlKind::TextBox:
    case ControlKind::Button:
        return control.tab_index >= 0 && !control.read_only ? Focus::Tab : Focus::Click;
    case ControlKind::Label:
    case ControlKind::Picture:
    case ControlKind::Line:
    case ControlKind::ProgressBar:
        return Focus::None;
    }
    return Focus::None;
}

std::vector<std::size_t> TabOrder(const std::vector<ControlLayout>& controls) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (FocusOf(controls[i]) == Focus::Tab)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return controls[a].tab_index < controls[b].tab_index; });
    return order;
}

OwnedLayout::OwnedLayout(const FormLayout& layout) : layout_(layout) {
    layout_.name = Keep(layout.name);
    layout_.title = Keep(layout.title);
    layout_.icon = Keep(layout.icon);
    for (MenuLayout& menu : layout_.menus) {
        menu.name = Keep(menu.name);
        menu.caption = Keep(menu.caption);
        for (MenuEntryLayout& entry : menu.entries) {
            entry.name = Keep(entry.name);
            entry.caption = Keep(entry.caption);
        }
    }
    for (ControlLayout& control : layout_.controls) {
        control.name = Keep(control.name);
        control.caption = Keep(control.caption);
        control.font.face = Keep(control.font.face);
    }
    if (layout_.default_button)
        layout_.default_button = Keep(*layout_.default_button);
    if (layout_.cancel_button)
        layout_.cancel_button = Keep(*layout_.cancel_button);
}

std::wstring_view OwnedLayout::Keep(std::wstring_view text) { return texts_.emplace_back(text); }

std::size_t TableForm::IndexOf(ControlName control) const {
    const auto& controls = Table().controls;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].name == control)
            return i;
    throw std::logic_error("no such control: " + Narrow(control.View()));
}

std::size_t TableForm::OfKind(ControlName control, ControlKind kind) const {
    const std::size_t i = IndexOf(control);
    if (Layout(i).kind != kind)
        throw std::logic_error(std::string("not a ") + KindName(kind) + ": " + Narrow(control.View()));
    return i;
}

void TableForm::CheckEntry(std::size_t box, int index) const {
    if (index < 0 || index >= NativeItemCount(box))
        throw std::out_of_range("no such list entry: " + std::to_string(index));
}

std::wstring TableForm::Text(ControlName control) const {
    const std::size_t i = IndexOf(control);
    const ControlKind kind = Layout(i).kind;
    if (!HoldsText(kind))
        return {};
    return kind == ControlKind::Button ? CaptionRead(NativeText(i)) : NativeText(i);
}

void TableForm::SetText(ControlName control, const std::wstring& text) {
    const std::size_t i = IndexOf(control);
    switch (Layout(i).kind) {
    case ControlKind::Picture:
    case ControlKind::Line:
    case ControlKind::ProgressBar:
        return;
    case ControlKind::Button:
        SetNativeText(i, CaptionShown(text));
        return;
    case ControlKind::ComboBox:
        if (const int selected = NativeSelected(i); selected >= 0 && NativeItem(i, selected) != text)
            NativeSelect(i, -1);
        break;
    case ControlKind::Label:
    case ControlKind::TextBox:
        break;
    }
    SetNativeText(i, text);
}

void TableForm::AddItem(ControlName control, const std::wstring& item) { NativeAddItem(ComboBox(control), item); }

int TableForm::ItemCount(ControlName control) const { return NativeItemCount(ComboBox(control)); }

std::wstring TableForm::Item(ControlName control, int index) const {
    const std::size_t box = ComboBox(control);
    CheckEntry(box, index);
    return NativeItem(box, index);
}

int TableForm::SelectedIndex(ControlName control) const { return NativeSelected(ComboBox(control)); }

void TableForm::SetSelectedIndex(ControlName control, int index) {
    const std::size_t box = ComboBox(control);
    CheckEntry(box, index);
    NativeSelect(box, index);
}

void TableForm::SetProgress(ControlName control, int value) {
    SetNativeProgress(OfKind(control, ControlKind::ProgressBar), std::clamp(value, 0, kProgressFull));
}

int TableForm::Progress(ControlName control) const {
    return NativeProgress(OfKind(control, ControlKind::ProgressBar));
}

}  // namespace ks
