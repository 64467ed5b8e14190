// The window-system service on Qt 6 Widgets: one native window per form table, its events routed by control name.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QColor>
#include <QPointer>

#include "table_form/table_form.h"

class QEventLoop;
class QMainWindow;
class QObject;
class QRect;
class QWidget;

namespace ks {

class FormWindow;
class FormEventRouter;
class QtGui;

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
    void ShowModal(Form* owner) override;
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
    void SetNativeProgress(std::size_t control, int value) override;
    int NativeProgress(std::size_t control) const override;

private:
    void Build();
    // One control: its kind's own widget, then what every control gets.
    QWidget* MakeControl(const ControlLayout& layout, QWidget* parent);
    void SetTabOrder();
    // Places the window's frame in the middle of `area`, in screen coordinates.
    void CentreOn(const QRect& area);
    void CentreOnScreen();
    // On screen and in front; the first time, or over an owner, centred (on the owner,
    // else on the screen) with the focus on the first in the tab order.
    void Present(QWidget* owner);

    double dpi_;
    bool busy_ = false;
    std::vector<QPointer<QWidget>> widgets_;  // by index in the table
    bool shown_before_ = false;
    QPointer<QWidget> first_focus_;
    FormEventRouter* router_ = nullptr;  // owned by the window
    QPointer<FormWindow> window_;
};

// A wait runs Qt's event loop while a QApplication runs, and otherwise (a command-line
// run whose GUI has not been started) sleeps from tick to tick.
class QtWindowSystem : public WindowSystem {
public:
    // With `gui`, the GUI is started the first time a form is built or CanShow is asked;
    // without, the forms need a QApplication that runs already.
    explicit QtWindowSystem(std::shared_ptr<QtGui> gui = nullptr);
    ~QtWindowSystem() override;

    // Throws WindowError when no QApplication runs or can be started.
    std::unique_ptr<Form> CreateForm(const FormLayout& layout, FormEvents& events) override;
    // Whether the GUI runs, or can be started, on a display a person sees (DisplayAvailable).
    bool CanShow() override;
    void RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                  std::chrono::milliseconds interval) override;
    void Wake() override;

private:
    // Returns after `interval`, or sooner after a Wake.
    void WaitOnce(std::chrono::milliseconds interval);
    // Takes the Wake that the waiting thread has not seen yet, if there is one.
    bool TakeWake();

    std::shared_ptr<QtGui> gui_;
    std::mutex mutex_;
    std::condition_variable woken_up_;
    bool woken_ = false;
    std::unique_ptr<QObject> waker_;  // on the UI thread: Wake posts to it from any thread
    QEventLoop* loop_ = nullptr;      // the loop a wait runs; UI thread only
};

}  // namespace ks
