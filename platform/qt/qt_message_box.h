// Modal message boxes with Qt, or one line on standard error where no one could answer a box.
#pragma once

#include <memory>
#include <string>

#include <QPointer>

#include "platform/message_box.h"

class QApplication;
class QWidget;

namespace ks {

class QtGui;

class QtMessageBoxService : public MessageBoxService {
public:
    // `program_name` becomes the argv[0] of the Qt application this service starts
    // when a box is due and none runs yet (the command-line run needs no window
    // otherwise).
    explicit QtMessageBoxService(std::string program_name = "kestrelspooler");
    // The same, sharing the GUI with the program's other Qt services.
    explicit QtMessageBoxService(std::shared_ptr<QtGui> gui);
    ~QtMessageBoxService() override;
    QtMessageBoxService(const QtMessageBoxService&) = delete;
    QtMessageBoxService& operator=(const QtMessageBoxService&) = delete;

    // The window that owns the boxes from now on (centred on it, blocked while a box
    // is open); nullptr for none. Forgotten by itself when the window is destroyed.
    void SetOwner(QWidget* owner);

    // A modal box with the text, the details below a blank line, the caption, OK and no
    // icon, in plain text. Without a display, or when no Qt GUI can be started,
    // "CAPTION: TEXT" on standard error instead.
    void Show(const std::wstring& text, const std::wstring& caption,
              const std::vector<std::wstring>& details = {}) override;

private:
    QPointer<QWidget> owner_;
    std::shared_ptr<QtGui> gui_;
};

}  // namespace ks
