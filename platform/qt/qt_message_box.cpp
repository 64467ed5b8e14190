// Modal message boxes with Qt, or one line on standard error where no one could answer a box.
#include "qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/text.h"

namespace ks {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt platforms that draw into memory: a box there could never be answered.
bool IsOffScreen(std::string_view platform) {
    const std::string_view name = platform.substr(0, platform.find(':'));
    return name == "offscreen" || name == "minimal";
}

void WriteLine(const std::wstring& text, const std::wstring& caption) {
    const std::string line = ToNative(caption) + ": " + ToNative(text) + "\n";
    std::fflush(stderr);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

bool DisplayAvailable() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return !IsOffScreen(QGuiApplication::platformName().toStdString());
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform && IsOffScreen(platform))
        return false;
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

QtMessageBoxService::QtMessageBoxService(std::string program_name)
    : program_name_(std::move(program_name)) {}

QtMessageBoxService::~QtMessageBoxService() = default;

void QtMessageBoxService::SetOwner(QWidget* owner) { owner_ = owner; }

QApplication* QtMessageBoxService::Application() {
    if (QCoreApplication::instance())
        return qobject_cast<QApplication*>(QCoreApplication::instance());

    argv_[argc_++] = program_name_.data();
    if (!IsSet("QT_QPA_PLATFORM")) {
        // A display that is named but does not answer (a stale DISPLAY, say) would
        // make Qt abort the whole program; with off-screen drawing as the last
        // choice it starts, and the box becomes a line on standard error instead.
        if (IsSet("WAYLAND_DISPLAY"))
            platforms_ += "wayland;";
        if (IsSet("DISPLAY"))
            platforms_ += "xcb;";
        platforms_ += "offscreen";
        argv_[argc_++] = platform_option_.data();
        argv_[argc_++] = platforms_.data();
    }
    own_application_ = std::make_unique<QApplication>(argc_, argv_);
    return own_application_.get();
}

void QtMessageBoxService::Show(const std::wstring& text, const std::wstring& caption) {
    QApplication* application = DisplayAvailable() ? Application() : nullptr;
    if (!application || !DisplayAvailable()) {
        WriteLine(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdWString(caption),
                    QString::fromStdWString(text), QMessageBox::Ok, owner_.data());
    box.exec();
}

}  // namespace ks
