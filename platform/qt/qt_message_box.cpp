// Modal message boxes with Qt, or one line on standard error where no one could answer a box.
#include "platform/qt/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <cstdio>

#include "platform/text.h"
#include "platform/qt/qt_display.h"

namespace ks {

namespace {

void WriteLine(const std::wstring& text, const std::wstring& caption) {
    const std::string line = ToNative(caption) + ": " + ToNative(text) + "\n";
    std::fflush(stderr);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

QtMessageBoxService::QtMessageBoxService(std::string program_name)
    : QtMessageBoxService(std::make_shared<QtGui>(std::move(program_name))) {}

QtMessageBoxService::QtMessageBoxService(std::shared_ptr<QtGui> gui) : gui_(std::move(gui)) {}

QtMessageBoxService::~QtMessageBoxService() = default;

void QtMessageBoxService::SetOwner(QWidget* owner) { owner_ = owner; }

void QtMessageBoxService::Show(const std::wstring& text, const std::wstring& caption) {
    QApplication* application = DisplayAvailable() ? gui_->Application() : nullptr;
    if (!application || !DisplayAvailable()) {
        WriteLine(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdWString(caption),
                    QString::fromStdWString(text), QMessageBox::Ok, owner_.data());
    box.exec();
}

}  // namespace ks
