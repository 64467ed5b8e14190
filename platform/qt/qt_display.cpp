// Whether the program has a display to show windows on, and how Qt's GUI is started to find out.
#include "platform/qt/qt_display.h"

#include <QApplication>
#include <QGuiApplication>

#include "platform/qt/display_named.h"

namespace ks {

bool DisplayAvailable() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return !IsOffScreenPlatform(QGuiApplication::platformName().toStdString());
    return DisplayNamed();
}

QtGuiArguments::QtGuiArguments(const std::string& program_name) {
    strings_.push_back(program_name);
    if (!IsSetInEnvironment("QT_QPA_PLATFORM")) {
        std::string platforms;
        if (IsSetInEnvironment("WAYLAND_DISPLAY"))
            platforms += "wayland;";
        if (IsSetInEnvironment("DISPLAY"))
            platforms += "xcb;";
        platforms += "offscreen";
        strings_.push_back("-platform");
        strings_.push_back(platforms);
    }
    for (std::string& s : strings_)
        values_.push_back(s.data());
    count_ = static_cast<int>(strings_.size());
    values_.push_back(nullptr);
}

QtGui::QtGui(std::string program_name) : program_name_(std::move(program_name)) {}

QtGui::~QtGui() = default;

QApplication* QtGui::Application() {
    if (QCoreApplication::instance())
        return qobject_cast<QApplication*>(QCoreApplication::instance());
    arguments_ = std::make_unique<QtGuiArguments>(program_name_);
    own_application_ = std::make_unique<QApplication>(arguments_->Count(), arguments_->Values());
    return own_application_.get();
}

}  // namespace ks
