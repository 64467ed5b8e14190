// Whether the program has a display to show windows on, and how Qt's GUI is started to find out.
#pragma once

#include <memory>
#include <string>
#include <vector>

class QApplication;

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

// Qt's GUI, started the first time something needs it: a command-line run starts it
// only for a message box or a progress window, never for a short job on its own. The
// services that may need it share one.
class QtGui {
public:
    // `program_name` becomes the argv[0] of the application started here.
    explicit QtGui(std::string program_name);
    ~QtGui();
    QtGui(const QtGui&) = delete;
    QtGui& operator=(const QtGui&) = delete;

    // The running QApplication, started here (see QtGuiArguments) when no Qt application
    // runs yet; nullptr when a Qt application without widgets runs.
    QApplication* Application();

private:
    std::string program_name_;
    std::unique_ptr<QtGuiArguments> arguments_;  // outlives the application below
    std::unique_ptr<QApplication> own_application_;
};

}  // namespace ks
