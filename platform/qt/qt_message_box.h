// Modal message boxes with Qt, or one line on standard error where no one could answer a box.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "platform/message_box.h"

class QApplication;
class QWidget;

namespace ks {

// Whether a window could be seen and answered: an X11 or Wayland display is named
// in the environment, Qt is not told to draw off screen (QT_QPA_PLATFORM offscreen
// or minimal), and a running Qt application, if any, is not drawing off screen.
bool DisplayAvailable();

// The argument list a QApplication is started with, kept alive as long as that
// application (Qt holds on to both the count and the strings). Unless
// QT_QPA_PLATFORM chooses the platform, the display named in the environment is
// tried first and off-screen drawing last: a display that is named but does not
// answer (a stale DISPLAY) would otherwise make Qt abort the whole program. After
// such a start DisplayAvailable() is false.
class QtGuiArguments {
public:
    explicit QtGuiArguments(const std::string& program_name);
    QtGuiArguments(const QtGuiArguments&) = delete;
    QtGuiArguments& operator=(const QtGuiArguments&) = delete;

    int& Count() { return count_; }
    char** Values() { return values_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> values_;
    int count_ = 0;
};

class QtMessageBoxService : public MessageBoxService {
public:
    // `program_name` becomes the argv[0] of the Qt application this service starts
    // when a box is due and none runs yet (the command-line run needs no window
    // otherwise).
    explicit QtMessageBoxService(std::string program_name = "kestrelspooler");
    ~QtMessageBoxService() override;
    QtMessageBoxService(const QtMessageBoxService&) = delete;
    QtMessageBoxService& operator=(const QtMessageBoxService&) = delete;

    // The window that owns the boxes from now on (centred on it, blocked while a box
    // is open); nullptr for none. Forgotten by itself when the window is destroyed.
    void SetOwner(QWidget* owner);

    // A modal box with the text, the caption, OK and no icon. Without a display, or
    // when no Qt GUI can be started, "CAPTION: TEXT" on standard error instead.
    void Show(const std::wstring& text, const std::wstring& caption) override;

private:
    // The running QApplication, started here when there is none; nullptr when a Qt
    // application without widgets runs.
    QApplication* Application();

    QPointer<QWidget> owner_;
    std::string program_name_;
    std::unique_ptr<QtGuiArguments> arguments_;  // outlives the application below
    std::unique_ptr<QApplication> own_application_;
};

}  // namespace ks
