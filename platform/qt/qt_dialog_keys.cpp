// Enter and Esc on a form's window: the keyboard presses the buttons the form table names.
#include "qt_dialog_keys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QString>

namespace ks {

namespace {

class DialogKeys : public QObject {
public:
    DialogKeys(QWidget& window, const FormLayout& layout)
        : QObject(&window),
          window_(window),
          default_(QString::fromWCharArray(layout.default_button.data(),
                                           static_cast<qsizetype>(layout.default_button.size()))),
          cancel_(QString::fromWCharArray(layout.cancel_button.data(),
                                          static_cast<qsizetype>(layout.cancel_button.size()))) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (mods != Qt::NoModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Escape:
            return Press(Button(cancel_));
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            if (auto* focused = qobject_cast<QPushButton*>(window_.focusWidget()))
                return Press(focused);
            return Press(Button(default_));
        }
        default:
            return false;
        }
    }

private:
    QPushButton* Button(const QString& name) const {
        return name.isEmpty() ? nullptr : window_.findChild<QPushButton*>(name);
    }

    static bool Press(QPushButton* button) {
        if (!button || !button->isEnabled() || !button->isVisible())
            return false;
        button->click();
        return true;
    }

    QWidget& window_;
    QString default_;
    QString cancel_;
};

}  // namespace

void AddDialogKeys(QWidget& window, const FormLayout& layout) {
    if (layout.default_button.empty() && layout.cancel_button.empty())
        return;
    new DialogKeys(window, layout);
}

}  // namespace ks
