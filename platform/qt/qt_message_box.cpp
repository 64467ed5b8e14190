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

QtGuiArguments::QtGuiArguments(const std::string& program_name) {
    strings_.push_back(program_name);
    if (!IsSet("QT_QPA_PLATFORM")) {
        std::string platforms;
        if (IsSet("WAYLAND_DISPLAY"))
            platforms += "wayland;";
        if (IsSet("DISPLAY"))
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

QtMessageBoxService::QtMessageBoxService(std::string program_name)
    : program_name_(std::move(program_name)) {}

QtMessageBoxService::~QtMessageBoxService() = default;

void QtMessageBoxService::SetOwner(QWidget* owner) { owner_ = owner; }

QApplication* QtMessageBoxService::Application() {
    if (QCoreApplication::instance())
        return qobject_cast<QApplication*>(QCoreApplication::instance());

    arguments_ = std::make_unique<QtGuiArguments>(program_name_);
    own_application_ = std::make_unique<QApplication>(arguments_->Count(), arguments_->Values());
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
