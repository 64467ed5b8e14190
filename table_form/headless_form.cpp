// The window system without a screen: forms keep their controls' state in memory and are never drawn.
#include "table_form/headless_form.h"

namespace ks {

HeadlessForm::HeadlessForm(const FormLayout& layout) : TableForm(layout) {
    for (const ControlLayout& c : Table().controls) {
        State s;
        if (c.kind == ControlKind::Button)
            s.text = CaptionShown(c.caption);
        else if (c.kind != ControlKind::Picture && c.kind != ControlKind::Line)
            s.text = std::wstring(c.caption);
        controls_.push_back(std::move(s));
    }
}

void HeadlessForm::NativeAddItem(std::size_t control, const std::wstring& item) {
    controls_[control].items.push_back(item);
}

int HeadlessForm::NativeItemCount(std::size_t control) const {
    return static_cast<int>(controls_[control].items.size());
}

std::wstring HeadlessForm::NativeItem(std::size_t control, int index) const {
    return controls_[control].items[static_cast<std::size_t>(index)];
}

void HeadlessForm::NativeSelect(std::size_t control, int index) {
    State& s = controls_[control];
    s.selected = index;
    if (index >= 0)
        s.text = s.items[static_cast<std::size_t>(index)];
}

void HeadlessForm::ShowModal(Form* owner) {
    open_ = true;
    modal_owner_ = owner;
}

void HeadlessForm::Close() {
    open_ = false;
    modal_owner_ = nullptr;
}

std::unique_ptr<Form> HeadlessWindowSystem::CreateForm(const FormLayout& layout, FormEvents&) {
    return std::make_unique<HeadlessForm>(layout);
}

void HeadlessWindowSystem::RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                                    std::chrono::milliseconds interval) {
    while (!done()) {
        bool woken = false;
        {
            std::unique_lock lock(mutex_);
            // A Wake between `done` and here is kept in woken_, so it is never missed.
            woken = woken_up_.wait_for(lock, interval, [this] { return woken_; });
            woken_ = false;
        }
        if (!woken)
            tick();
    }
}

void HeadlessWindowSystem::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    woken_up_.notify_all();
}

}  // namespace ks
