// A form drawn with Qt Widgets: one native window per form table, its events routed by control name.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QPointer>
#include <QString>

#include "../window_system.h"

class QMainWindow;
class QWidget;

namespace ks {

class FormWindow;
class FormEventRouter;

// Converts between the program's text and Qt's.
QString ToQString(std::wstring_view text);
std::wstring FromQString(const QString& text);

// Pixels (device-independent, as widgets are placed) for a length in twips at the
// given logical DPI: px = twips * dpi / 1440, so 15 twips make a pixel at 96 DPI.
int TwipsToPixels(int twips, double dpi);

// The colour a form uses for "the system colour of active window borders": Qt has
// no such entry, and the palette's window colour is what the border and the dialog
// face share on the desktops Qt draws for.
QColor ActiveBorderColour();

// The form's own name is what a drop on its background reports as the control.
class QtForm : public Form {
public:
    // The form's controls are placed at the primary screen's logical DPI.
    QtForm(const FormLayout& layout, FormEvents& events);
    ~QtForm() override;

    std::wstring Text(std::wstring_view control) const override;
    void SetText(std::wstring_view control, const std::wstring& text) override;
    void AddItem(std::wstring_view control, const std::wstring& item) override;
    int ItemCount(std::wstring_view control) const override;
    std::wstring Item(std::wstring_view control, int index) const override;
    void SetSelectedIndex(std::wstring_view control, int index) override;
    void Refresh(std::wstring_view control) override;
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
    QWidget* Widget(std::wstring_view control) const;
    double Dpi() const { return dpi_; }

private:
    struct Control {
        std::wstring name;
        ControlKind kind;
        int tab_index;
        QPointer<QWidget> widget;
    };
    const Control& At(std::wstring_view control) const;
    void Build(const FormLayout& layout);
    QWidget* MakeControl(const ControlLayout& layout, QWidget* parent);
    void SetTabOrder();
    void Centre();

    std::wstring name_;
    double dpi_;
    bool busy_ = false;
    std::vector<Control> controls_;
    bool shown_before_ = false;
    QPointer<QWidget> first_focus_;
    FormEventRouter* router_ = nullptr;  // owned by the window
    QPointer<FormWindow> window_;
};

}  // namespace ks
