// A window system without a screen: forms keep their controls' state in memory.
#include "memory_form.h"

#include <stdexcept>
#include <utility>

namespace ks {

MemoryForm::MemoryForm(const FormLayout& layout) {
    for (const ControlLayout& c : layout.controls) {
        State s;
        if (c.kind != ControlKind::Picture && c.kind != ControlKind::ComboBox)
            s.text = std::wstring(c.caption);
        controls_.emplace(std::wstring(c.name), std::move(s));
    }
}

const MemoryForm::State& MemoryForm::At(std::wstring_view control) const {
    auto it = controls_.find(control);
    if (it == controls_.end())
        throw std::logic_error("no such control");
    return it->second;
}

MemoryForm::State& MemoryForm::At(std::wstring_view control) {
    return const_cast<State&>(std::as_const(*this).At(control));
}

std::wstring MemoryForm::Text(std::wstring_view control) const { return At(control).text; }

void MemoryForm::SetText(std::wstring_view control, const std::wstring& text) {
    State& s = At(control);
    s.text = text;
    // An edited combo box text that no longer names the selected entry drops the selection.
    if (s.selected >= 0 && s.items[static_cast<size_t>(s.selected)] != text)
        s.selected = -1;
}

void MemoryForm::AddItem(std::wstring_view control, const std::wstring& item) {
    At(control).items.push_back(item);
}

int MemoryForm::ItemCount(std::wstring_view control) const {
    return static_cast<int>(At(control).items.size());
}

std::wstring MemoryForm::Item(std::wstring_view control, int index) const {
    return At(control).items.at(static_cast<size_t>(index));
}

void MemoryForm::SetSelectedIndex(std::wstring_view control, int index) {
    State& s = At(control);
    s.selected = index;
    s.text = s.items.at(static_cast<size_t>(index));
}

int MemoryForm::SelectedIndex(std::wstring_view control) const { return At(control).selected; }

std::unique_ptr<Form> MemoryWindowSystem::CreateForm(const FormLayout& layout, FormEvents&) {
    return std::make_unique<MemoryForm>(layout);
}

}  // namespace ks
