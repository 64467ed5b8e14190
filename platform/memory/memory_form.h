// A window system without a screen: forms keep their controls' state in memory.
// The command-line run uses it (its window is never shown), and so do the tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "../window_system.h"

namespace ks {

class MemoryForm : public Form {
public:
    explicit MemoryForm(const FormLayout& layout);

    std::wstring Text(std::wstring_view control) const override;
    void SetText(std::wstring_view control, const std::wstring& text) override;
    void AddItem(std::wstring_view control, const std::wstring& item) override;
    int ItemCount(std::wstring_view control) const override;
    std::wstring Item(std::wstring_view control, int index) const override;
    void SetSelectedIndex(std::wstring_view control, int index) override;
    void Refresh(std::wstring_view) override {}
    void RefreshAll() override {}
    void SetBusy(bool) override {}
    void Show() override { open_ = true; }
    void Activate() override {}
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void* NativeHandle() const override { return nullptr; }

    // The selected list entry, -1 when none.
    int SelectedIndex(std::wstring_view control) const;

private:
    struct State {
        std::wstring text;
        std::vector<std::wstring> items;
        int selected = -1;
    };
    const State& At(std::wstring_view control) const;
    State& At(std::wstring_view control);

    std::map<std::wstring, State, std::less<>> controls_;
    bool open_ = false;
};

class MemoryWindowSystem : public WindowSystem {
public:
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
};

}  // namespace ks
