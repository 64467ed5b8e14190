// Modal message boxes with Qt, or one line on standard error where no one could answer a box.
#include "platform/qt/qt_message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QString>
#include <QWidget>

#include "platform/qt/qt_display.h"
#include "platform/qt/stderr_boxes.h"

namespace ks {

namespace {

// Room in a title bar besides its text: the window manager's buttons and margins.
constexpr int kTitleBarExtra = 140;

// QMessageBox sizes itself to its text alone, so a short text under a long caption
// cuts the caption off in the title bar; a spacer across the box's grid keeps it wide.
void MakeRoomForCaption(QMessageBox& box, const QString& caption) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr)
        return;
    const int width = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(caption) +
                      kTitleBarExtra;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

QtMessageBoxService::QtMessageBoxService(std::string program_name)
    : QtMessageBoxService(std::make_shared<QtGui>(std::move(program_name))) {}

QtMessageBoxService::QtMessageBoxService(std::shared_ptr<QtGui> gui) : gui_(std::move(gui)) {}

QtMessageBoxService::~QtMessageBoxService() = default;

void QtMessageBoxService::SetOwner(QWidget* owner) { owner_ = owner; }

void QtMessageBoxService::Show(const std::wstring& text, const std::wstring& caption,
                               const std::vector<std::wstring>& details) {
    QApplication* application = DisplayAvailable() ? gui_->Application() : nullptr;
    if (!application || !DisplayAvailable()) {
        WriteBoxLine(text, caption);
        return;
    }
    const QString title = QString::fromStdWString(caption);
    QMessageBox box(QMessageBox::NoIcon, title, QString(), QMessageBox::Ok, owner_.data());
    // A printer name or a scheduler's words that look like HTML stay as they are.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdWString(MessageBoxBody(text, details)));
    MakeRoomForCaption(box, title);
    box.exec();
}

}  // namespace ks
