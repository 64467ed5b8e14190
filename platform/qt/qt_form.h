// The window-system service on Qt 6 Widgets: one native window per form table, its events routed by control name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QPointer>

#include "../form_rules.h"

class QMainWindow;
class QWidget;

namespace ks {

class FormWindow;
class FormEventRouter;

// The colour a form uses for "the system colour of active window borders": Qt has
// no such entry, and the palette's window colour is what the border and the dialog
// face share on the desktops Qt draws for.
QColor ActiveBorderColour();

// The form's own name is what a drop on its background reports as the control.
class QtForm : public TableForm {
public:
    // The form's controls are placed at the primary screen's logical DPI.
    QtForm(const FormLayout& layout, FormEvents& events);
    ~QtForm() override;

    void RefreshAll() override;
    void SetBusy(bool busy) override;
    void Show() override;
    void Activate() override;
    void Close() override;
    bool IsOpen() const override;
    void* NativeHandle() const override;

    // The widgets, for the tests that look at them.
    QMainWindow* Window() const;
    QWidget* ClientArea() const;
    QWidget* Widget(ControlName control) const;
    double Dpi() const { return dpi_; }

protected:
    std::wstring NativeText(std::size_t control) const override;
    void SetNativeText(std::size_t control, const std::wstring& text) override;
    void NativeAddItem(std::size_t control, const std::wstring& item) override;
    int NativeItemCount(std::size_t control) const override;
    std::wstring NativeItem(std::size_t control, int index) const override;
    int NativeSelected(std::size_t control) const override;
    void NativeSelect(std::size_t control, int index) override;

private:
    void Build();
    // One control: its kind's own widget, then what every control gets.
    QWidget* MakeControl(const ControlLayout& layout, QWidget* parent);
    void SetTabOrder();
    void Centre();

    double dpi_;
    bool busy_ = false;
    std::vector<QPointer<QWidget>> widgets_;  // by index in the table
    bool shown_before_ = false;
    QPointer<QWidget> first_focus_;
    FormEventRouter* router_ = nullptr;  // owned by the window
    QPointer<FormWindow> window_;
};

class QtWindowSystem : public WindowSystem {
public:
    // Needs a QApplication to exist.
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
};

}  // namespace ks
