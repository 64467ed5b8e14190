// A preloaded observer for the window tests: notes each window the program shows, with a message box's text.
//
// Loaded with LD_PRELOAD into the unchanged program. When KS_WINDOW_LOG names a file, each
// top-level widget that Qt shows adds one line to it, written at once:
//   window: TITLE
//   box: CAPTION: TEXT        (a message box)
// so that a test sees which windows opened (a progress window for a long job, none for
// a short one) and what a box said, which X11 cannot tell it.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMessageBox>
#include <QWidget>

namespace {

class WindowLog : public QObject {
public:
    explicit WindowLog(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::Show || !object->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(object);
        // Menus, completer lists and tooltips are windows to Qt, not to the user.
        const Qt::WindowType type = widget->windowType();
        if (!widget->isWindow() || type == Qt::Popup || type == Qt::ToolTip)
            return false;
        QString line;
        if (auto* box = qobject_cast<QMessageBox*>(widget))
            line = "box: " + box->windowTitle() + ": " + box->text();
        else
            line = "window: " + widget->windowTitle();
        QFile log(path_);
        if (log.open(QIODevice::Append | QIODevice::Text))
            log.write((line + '\n').toUtf8());
        return false;
    }

private:
    QString path_;
};

void Install() {
    const QString path = qEnvironmentVariable("KS_WINDOW_LOG");
    if (!path.isEmpty())
        QCoreApplication::instance()->installEventFilter(new WindowLog(path, QCoreApplication::instance()));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
