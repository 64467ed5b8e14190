// The window system without a screen: forms keep their controls' state in memory and are never drawn.
#pragma once

#include <string>
#include <vector>

#include "../form_rules.h"

namespace ks {

// The command-line run builds its main window here, as it never shows it; the core's
// unit tests run on it too, so its controls behave as the native ones do.
class HeadlessForm : public TableForm {
public:
    explicit HeadlessForm(const FormLayout& layout);

    void RefreshAll() override {}
    void SetBusy(bool) override {}
    void Show() override { open_ = true; }
    void Activate() override {}
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void* NativeHandle() const override { return nullptr; }

protected:
    std::wstring NativeText(std::size_t control) const override { return controls_[control].text; }
    void SetNativeText(std::size_t control, const std::wstring& text) override { controls_[control].text = text; }
    void NativeAddItem(std::size_t control, const std::wstring& item) override;
    int NativeItemCount(std::size_t control) const override;
    std::wstring NativeItem(std::size_t control, int index) const override;
    int NativeSelected(std::size_t control) const override { return controls_[control].selected; }
    void NativeSelect(std::size_t control, int index) override;

private:
    struct State {
        std::wstring text;
        std::vector<std::wstring> items;
        int selected = -1;
    };
    std::vector<State> controls_;  // by index in the table
    bool open_ = false;
};

class HeadlessWindowSystem : public WindowSystem {
public:
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
};

}  // namespace ks
