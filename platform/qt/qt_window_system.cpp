// The window-system service on Qt 6 Widgets: native windows built from form tables.
#include "qt_window_system.h"

#include <QCloseEvent>
#include <QString>
#include <QWidget>

#include "../memory/memory_form.h"

namespace ks {

namespace {

QString ToQt(std::wstring_view text) {
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

class FormWindow : public QWidget {
public:
    explicit FormWindow(FormEvents& events) : events_(events) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        events_.Unload();
        event->accept();
    }

private:
    FormEvents& events_;
};

class QtForm : public MemoryForm {
public:
    QtForm(const FormSpec& spec, FormEvents& events) : MemoryForm(spec), window_(events) {
        window_.setWindowTitle(ToQt(spec.title));
        window_.resize(spec.client_width / 15, spec.client_height / 15);
    }
    void Show() override { window_.show(); }
    void Activate() override {
        window_.raise();
        window_.activateWindow();
    }
    void Close() override { window_.hide(); }
    bool IsOpen() const override { return window_.isVisible(); }
    void* NativeHandle() const override { return const_cast<FormWindow*>(&window_); }

private:
    FormWindow window_;
};

}  // namespace

std::unique_ptr<Form> QtWindowSystem::CreateForm(const FormSpec& spec, FormEvents& events) {
    return std::make_unique<QtForm>(spec, events);
}

}  // namespace ks
