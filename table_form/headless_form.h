// The window system without a screen: forms keep their controls' state in memory and are never drawn.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "table_form/table_form.h"

namespace ks {

// The command-line run builds its main window here, as it never shows it; the core's
// unit tests run on it too, so its controls behave as the native ones do.
class HeadlessForm : public TableForm {
public:
    explicit HeadlessForm(const FormLayout& layout);

    void RefreshAll() override {}
    void SetBusy(bool) override {}
    void Show() override { open_ = true; }
    void ShowModal(Form* owner) override;
    void Activate() override {}
    void Close() override;
    bool IsOpen() const override { return open_; }
    void* NativeHandle() const override { return nullptr; }

    // The owner the form was last shown modal to while it is open; nullptr otherwise.
    Form* ModalOwner() const { return modal_owner_; }
    std::wstring Title() const { return std::wstring(Table().title); }

protected:
    std::wstring NativeText(std::size_t control) const override { return controls_[control].text; }
    void SetNativeText(std::size_t control, const std::wstring& text) override { controls_[control].text = text; }
    void NativeAddItem(std::size_t control, const std::wstring& item) override;
    int NativeItemCount(std::size_t control) const override;
    std::wstring NativeItem(std::size_t control, int index) const override;
    int NativeSelected(std::size_t control) const override { return controls_[control].selected; }
    void NativeSelect(std::size_t control, int index) override;
    void SetNativeProgress(std::size_t control, int value) override { controls_[control].progress = value; }
    int NativeProgress(std::size_t control) const override { return controls_[control].progress; }

private:
    struct State {
        std::wstring text;
        std::vector<std::wstring> items;
        int selected = -1;
        int progress = 0;
    };
    std::vector<State> controls_;  // by index in the table
    bool open_ = false;
    Form* modal_owner_ = nullptr;
};

// Forms in memory; a wait runs no events, as there are none, and only sleeps from
// tick to tick until it is done or woken.
class HeadlessWindowSystem : public WindowSystem {
public:
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
    bool CanShow() override { return false; }
    void RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                  std::chrono::milliseconds interval) override;
    void Wake() override;

private:
    std::mutex mutex_;
    std::condition_variable woken_up_;
    bool woken_ = false;  // a Wake that the waiting thread has not seen yet
};

}  // namespace ks
