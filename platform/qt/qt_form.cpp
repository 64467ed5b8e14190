// The window-system service on Qt 6 Widgets: one native window per form table, its events routed by control name.
#include "platform/qt/qt_form.h"

#include <algorithm>
#include <map>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>

#include "platform/qt/qt_display.h"
#include "platform/qt/qt_drop_data.h"

// Q_INIT_RESOURCE must be used outside any namespace. The resources live in a static
// library, where the linker would drop their self-registering object file unless
// something names it.
static void InitArtworkResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace ks {

QColor ActiveBorderColour() { return QApplication::palette().color(QPalette::Active, QPalette::Window); }

namespace {

QString ToQString(std::wstring_view text) {
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

QString ArtworkPath(std::wstring_view resource) { return ":/ks/" + ToQString(resource) + ".png"; }

QColor ToQColor(const Colour& colour) { return QColor(colour.red, colour.green, colour.blue); }

QFont MakeFont(const FontStyle& layout) {
    QFont font;
    // Linux desktops rarely have MS Sans Serif: the faces after it are the nearest
    // sans-serif ones in width, so that captions fit the boxes the table gives them.
    font.setFamilies({ToQString(layout.face), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(layout.points);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(layout.weight, 100, 900)));
    font.setItalic(layout.italic);
    font.setUnderline(layout.underline);
    return font;
}

// A straight line between two points of the client area, drawn on a transparent
// widget that covers them; mouse and drops pass through to what lies below.
class LineWidget : public QWidget {
public:
    LineWidget(QPoint from, QPoint to, int width, QColor colour, QWidget* parent)
        : QWidget(parent), width_(std::max(width, 1)), colour_(colour) {
        const QRect area = QRect(from, to).normalized().adjusted(-width_, -width_, width_, width_);
        setGeometry(area);
        from_ = from - area.topLeft();
        to_ = to - area.topLeft();
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(colour_, width_, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(from_, to_);
    }

private:
    int width_;
    QColor colour_;
    QPoint from_, to_;
};

// Enter and Esc on a window that is not a QDialog, which alone gets them from Qt: Esc
// clicks the cancel button wherever the focus is; Enter clicks the focused button, or
// the default button when no button has the focus. The keys are taken as they come
// back unhandled from the focused control, so a control that uses Enter itself (a
// multi-line text box) keeps it.
class DialogKeys : public QObject {
public:
    DialogKeys(QWidget& window, QPushButton* default_button, QPushButton* cancel_button)
        : QObject(&window), window_(window), default_(default_button), cancel_(cancel_button) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Escape:
            return Press(cancel_);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* focused = qobject_cast<QPushButton*>(window_.focusWidget()))
                return Press(focused);
            return Press(default_);
        default:
            return false;
        }
    }

private:
    static bool Press(QPushButton* button) {
        if (!button || !button->isEnabled() || !button->isVisible())
            return false;
        button->click();
        return true;
    }

    QWidget& window_;
    QPointer<QPushButton> default_, cancel_;
};

}  // namespace

// Delivers the widgets' clicks and drops to the form's handler under the control's
// name. After Detach it delivers nothing: the form is gone while its widgets wait
// for deferred deletion.
class FormEventRouter : public QObject {
public:
    FormEventRouter(FormEvents& events, QObject* parent) : QObject(parent), events_(&events) {}

    void Detach() { events_ = nullptr; }

    void Click(const std::wstring& name) {
        if (FormEvents* events = events_)
            events->Click(ControlName(name));
    }
    // Whether the window may close; a detached router has no one left to ask.
    bool QueryUnload() {
        FormEvents* events = events_;
        return !events || events->QueryUnload();
    }
    void Unload() {
        if (FormEvents* events = events_)
            events->Unload();
    }

    // Every widget a drag can land on: the control and each of its inner widgets
    // (the combo box's line edit, the text box's viewport) take the drag themselves,
    // so that none of Qt's own handling (inserting the dragged text) runs and a
    // control that refuses a drop does not pass it on to the window behind it.
    void Watch(QWidget* widget, ControlName name, bool accepts_drops, bool clickable) {
        watched_[widget] = {std::wstring(name.View()), accepts_drops, clickable};
        widget->installEventFilter(this);
        widget->setAcceptDrops(true);
        for (QWidget* child : widget->findChildren<QWidget*>()) {
            if (child->isWindow())
                continue;
            watched_[child] = {std::wstring(name.View()), accepts_drops, false};
            child->installEventFilter(this);
            child->setAcceptDrops(true);
        }
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        const auto it = watched_.find(object);
        if (it == watched_.end())
            return false;
        const Target target = it->second;
        switch (event->type()) {
        case QEvent::DragEnter:
            // Qt offers an ignored DragEnter to the parent widgets in turn: taking it
            // here keeps a refusing control's drag away from the window behind it.
            // The DragMove that always follows says whether the drop is welcome.
            static_cast<QDragEnterEvent*>(event)->acceptProposedAction();
            return true;
        case QEvent::DragMove: {
            auto* move = static_cast<QDragMoveEvent*>(event);
            if (!target.accepts_drops || !TakeAsCopy(*move))
                move->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!target.accepts_drops || !TakeAsCopy(*drop)) {
                drop->ignore();
                return true;
            }
            const QtDropData data(*drop->mimeData());
            if (FormEvents* events = events_)
                events->Drop(ControlName(target.name), data);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            auto* widget = static_cast<QWidget*>(object);
            if (target.clickable && mouse->button() == Qt::LeftButton &&
                widget->rect().contains(mouse->position().toPoint()))
                Click(target.name);
            return false;
        }
        default:
            return false;
        }
    }

private:
    // The program only reads what is dropped. A file manager that is told a drop was
    // a move deletes the files it dragged, and an editor cuts the dragged text: the
    // drop is taken as a copy (or a link), and a drag that offers neither is refused.
    static bool TakeAsCopy(QDropEvent& event) {
        if (event.possibleActions() & Qt::CopyAction)
            event.setDropAction(Qt::CopyAction);
        else if (event.possibleActions() & Qt::LinkAction)
            event.setDropAction(Qt::LinkAction);
        else
            return false;
        event.accept();
        return true;
    }

    struct Target {
        std::wstring name;
        bool accepts_drops;
        bool clickable;  // reports a Click on mouse release (pictures)
    };
    std::map<QObject*, Target> watched_;
    FormEvents* events_;
};

// The top-level window. Its close box asks QueryUnload and then reports Unload; a close
// the program asks for itself does neither.
class FormWindow : public QMainWindow {
public:
    void SetRouter(FormEventRouter* router) { router_ = router; }

    void CloseQuietly() {
        quiet_ = true;
        close();
        quiet_ = false;
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (!quiet_ && router_) {
            if (!router_->QueryUnload()) {
                event->ignore();
                return;
            }
            router_->Unload();
        }
        event->accept();
    }

private:
    FormEventRouter* router_ = nullptr;  // a child of this window
    bool quiet_ = false;
};

namespace {

// A control's widget, and the palette roles of its text and background.
struct Made {
    QWidget* widget;
    QPalette::ColorRole text = QPalette::WindowText;
    QPalette::ColorRole background = QPalette::Window;
};

Made MakeLabel(const ControlLayout& layout, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQString(layout.caption));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Words wrap within the label's width, as a fixed-size label does on Windows;
    // a caption that fits stays on one line.
    label->setWordWrap(true);
    label->setMargin(0);
    label->setIndent(0);
    return {label};
}

Made MakeComboBox(const ControlLayout& layout, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);  // typing completes nothing: the text is what was typed
    combo->setEditText(ToQString(layout.caption));
    return {combo, QPalette::Text, QPalette::Base};
}

Made MakeTextBox(const ControlLayout& layout, QWidget* parent) {
    if (!layout.multi_line) {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(layout.read_only);
        edit->setText(ToQString(layout.caption));
        edit->setCursorPosition(0);
        return {edit, QPalette::Text, QPalette::Base};
    }
    auto* edit = new QPlainTextEdit(parent);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab moves on; Enter is a line break.
    edit->setTabChangesFocus(true);
    // Qt's default margin leaves room for less than the two lines the box is sized for.
    edit->document()->setDocumentMargin(2);
    edit->setReadOnly(layout.read_only);
    edit->setPlainText(ToQString(layout.caption));
    return {edit, QPalette::Text, QPalette::Base};
}

Made MakeButton(const ControlLayout& layout, QWidget* parent, FormEventRouter& router) {
    auto* button = new QPushButton(QString::fromStdWString(CaptionShown(layout.caption)), parent);
    // Focus alone never makes a button the one Enter presses.
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, &router,
                     [router = &router, name = std::wstring(layout.name.View())] { router->Click(name); });
    return {button, QPalette::ButtonText, QPalette::Button};
}

Made MakePicture(const ControlLayout& layout, QWidget* parent) {
    auto* picture = new QLabel(parent);
    if (!layout.caption.empty())
        picture->setPixmap(QPixmap(ArtworkPath(layout.caption)));
    // Natural size, top left, never stretched.
    picture->setScaledContents(false);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (layout.sunken_border) {
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        picture->setLineWidth(2);
    }
    return {picture};
}

Made MakeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, kProgressFull);
    bar->setValue(0);
    // The bar alone shows how far the job got; the label beside it says it in bytes.
    bar->setTextVisible(false);
    return {bar, QPalette::Text, QPalette::Base};
}

QWidget* MakeLine(const ControlLayout& layout, QWidget* parent, double dpi) {
    const QPoint from(TwipsToPixels(layout.left, dpi), TwipsToPixels(layout.top, dpi));
    const QPoint to(TwipsToPixels(layout.x2, dpi), TwipsToPixels(layout.y2, dpi));
    auto* line = new LineWidget(from, to, layout.line_width, ToQColor(layout.fore.value_or(Colour{0, 0, 0})), parent);
    line->setObjectName(ToQString(layout.name.View()));
    line->show();
    return line;
}

}  // namespace

QtForm::QtForm(const FormLayout& layout, FormEvents& events) : TableForm(layout) {
    InitArtworkResources();
    const QScreen* screen = QGuiApplication::primaryScreen();
    dpi_ = screen ? screen->logicalDotsPerInch() : 96.0;
    window_ = new FormWindow;
    router_ = new FormEventRouter(events, window_);
    window_->SetRouter(router_);
    Build();
}

QtForm::~QtForm() {
    if (busy_)
        QApplication::restoreOverrideCursor();
    if (!window_)
        return;
    router_->Detach();
    window_->hide();
    // The form may be destroyed from inside one of its own widgets' events (a click
    // that closes the window): the widgets go once that event has returned.
    window_->deleteLater();
}

void QtForm::Build() {
    const FormLayout& layout = Table();
    FormWindow& window = *window_;
    window.setWindowTitle(ToQString(layout.title));
    window.setFont(MakeFont(FontStyle{}));
    if (!layout.icon.empty())
        window.setWindowIcon(QIcon(ArtworkPath(layout.icon)));

    auto* client = new QWidget(&window);
    client->setObjectName(ToQString(layout.name.View()));
    client->setAutoFillBackground(true);
    if (layout.system_background) {
        QPalette palette = client->palette();
        palette.setColor(QPalette::Window, ActiveBorderColour());
        client->setPalette(palette);
    }
    window.setCentralWidget(client);
    router_->Watch(client, layout.name, true, false);

    for (const MenuLayout& menu_layout : layout.menus) {
        QMenuBar* bar = window.menuBar();
        // Keep the menu bar inside the window (not a desktop's global menu), so the
        // client area lies below it as the layout expects.
        bar->setNativeMenuBar(false);
        QMenu* menu = bar->addMenu(QString::fromStdWString(CaptionShown(menu_layout.caption)));
        menu->setObjectName(ToQString(menu_layout.name.View()));
        for (const MenuEntryLayout& entry : menu_layout.entries) {
            QAction* action = menu->addAction(QString::fromStdWString(CaptionShown(entry.caption)));
            action->setObjectName(ToQString(entry.name.View()));
            QObject::connect(action, &QAction::triggered, router_,
                             [router = router_, name = std::wstring(entry.name.View())] { router->Click(name); });
        }
    }

    for (const ControlLayout& control : layout.controls)
        widgets_.emplace_back(MakeControl(control, client));
    SetTabOrder();
    auto button = [this](const std::optional<ControlName>& name) {
        return name ? qobject_cast<QPushButton*>(Widget(*name)) : nullptr;
    };
    if (QPushButton* default_button = button(layout.default_button))
        // Drawn as the default button; DialogKeys makes Enter press it.
        default_button->setDefault(true);
    if (layout.default_button || layout.cancel_button)
        new DialogKeys(window, button(layout.default_button), button(layout.cancel_button));

    const QSize client_size(TwipsToPixels(layout.client_width, dpi_), TwipsToPixels(layout.client_height, dpi_));
    if (layout.border == BorderStyle::FixedDialog) {
        window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    }
    // The client area is what the table sizes; the menu bar comes on top of it.
    window.resize(client_size);
    window.layout()->activate();
    const QSize outside = window.size() - client->size();
    const QSize full = client_size + QSize(std::max(outside.width(), 0), std::max(outside.height(), 0));
    if (layout.border == BorderStyle::FixedDialog)
        window.setFixedSize(full);
    else
        window.resize(full);
}

QWidget* QtForm::MakeControl(const ControlLayout& layout, QWidget* parent) {
    Made made{nullptr};
    switch (layout.kind) {
    case ControlKind::Label:
        made = MakeLabel(layout, parent);
        break;
    case ControlKind::ComboBox:
        made = MakeComboBox(layout, parent);
        break;
    case ControlKind::TextBox:
        made = MakeTextBox(layout, parent);
        break;
    case ControlKind::Button:
        made = MakeButton(layout, parent, *router_);
        break;
    case ControlKind::Picture:
        made = MakePicture(layout, parent);
        break;
    case ControlKind::ProgressBar:
        made = MakeProgressBar(parent);
        break;
    case ControlKind::Line:
        return MakeLine(layout, parent, dpi_);  // painted over the others, takes nothing
    }

    // What every control gets: its name, place, font, colours, focus and events.
    QWidget& widget = *made.widget;
    widget.setObjectName(ToQString(layout.name.View()));
    widget.setGeometry(TwipsToPixels(layout.left, dpi_), TwipsToPixels(layout.top, dpi_),
                       TwipsToPixels(layout.width, dpi_), TwipsToPixels(layout.height, dpi_));
    widget.setFont(MakeFont(layout.font));
    QPalette palette = widget.palette();
    if (layout.fore)
        palette.setColor(made.text, ToQColor(*layout.fore));
    if (layout.system_background) {
        palette.setColor(made.background, ActiveBorderColour());
        palette.setColor(QPalette::Window, ActiveBorderColour());
        widget.setAutoFillBackground(true);
    }
    widget.setPalette(palette);
    switch (FocusOf(layout)) {
    case Focus::None:
        widget.setFocusPolicy(Qt::NoFocus);
        break;
    case Focus::Click:  // out of the tab order, yet a click still reaches it (to select and copy)
        widget.setFocusPolicy(Qt::ClickFocus);
        break;
    case Focus::Tab:
        widget.setFocusPolicy(Qt::StrongFocus);
        break;
    }
    router_->Watch(&widget, layout.name, layout.accepts_drops, layout.kind == ControlKind::Picture);
    widget.show();
    return &widget;
}

void QtForm::SetTabOrder() {
    const std::vector<std::size_t> order = TabOrder(Table().controls);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(widgets_[order[i - 1]], widgets_[order[i]]);
    first_focus_ = order.empty() ? nullptr : widgets_[order.front()].data();
    if (first_focus_)
        first_focus_->setFocus(Qt::OtherFocusReason);
}

std::wstring QtForm::NativeText(std::size_t control) const {
    QWidget* widget = widgets_[control];
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText().toStdWString();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
        return edit->toPlainText().toStdWString();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text().toStdWString();
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->text().toStdWString();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text().toStdWString();
    return {};
}

void QtForm::SetNativeText(std::size_t control, const std::wstring& text) {
    QWidget* widget = widgets_[control];
    const QString value = QString::fromStdWString(text);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditText(value);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    }
}

namespace {
QComboBox& Box(const QPointer<QWidget>& widget) { return *static_cast<QComboBox*>(widget.data()); }
}  // namespace

void QtForm::NativeAddItem(std::size_t control, const std::wstring& item) {
    QComboBox& combo = Box(widgets_[control]);
    // Qt selects the first entry added to an empty box and shows it as the text;
    // adding to the list must leave the text as it was.
    const QString text = combo.currentText();
    const int selected = combo.currentIndex();
    combo.addItem(QString::fromStdWString(item));
    if (combo.currentIndex() != selected) {
        combo.setCurrentIndex(selected);
        combo.setEditText(text);
    }
}

int QtForm::NativeItemCount(std::size_t control) const { return Box(widgets_[control]).count(); }

std::wstring QtForm::NativeItem(std::size_t control, int index) const {
    return Box(widgets_[control]).itemText(index).toStdWString();
}

int QtForm::NativeSelected(std::size_t control) const { return Box(widgets_[control]).currentIndex(); }

void QtForm::NativeSelect(std::size_t control, int index) {
    QComboBox& combo = Box(widgets_[control]);
    combo.setCurrentIndex(index);
    if (index >= 0)
        combo.setEditText(combo.itemText(index));
}

void QtForm::SetNativeProgress(std::size_t control, int value) {
    static_cast<QProgressBar*>(widgets_[control].data())->setValue(value);
}

int QtForm::NativeProgress(std::size_t control) const {
    return static_cast<QProgressBar*>(widgets_[control].data())->value();
}

void QtForm::RefreshAll() {
    if (window_->isVisible())
        window_->repaint();
}

void QtForm::SetBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtForm::Show() { Present(nullptr); }

void QtForm::ShowModal(Form* owner) {
    QWidget* parent = owner ? static_cast<QWidget*>(owner->NativeHandle()) : nullptr;
    if (parent && parent->isVisible()) {
        // A child window of the owner, which alone it blocks; setParent keeps the flags given.
        window_->setParent(parent, window_->windowFlags() | Qt::Dialog);
        window_->setWindowModality(Qt::WindowModal);
    } else {
        window_->setWindowModality(Qt::ApplicationModal);
        parent = nullptr;
    }
    // Closing a modal window never ends the program, even when no other window is open.
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    Present(parent);
}

void QtForm::Present(QWidget* owner) {
    // Centred the first time it shows, and each time it shows over an owner.
    const bool place = !shown_before_ || owner;
    shown_before_ = true;
    const auto centre = [&] { owner ? CentreOn(owner->frameGeometry()) : CentreOnScreen(); };
    if (place) {
        centre();
        if (first_focus_)
            first_focus_->setFocus(Qt::OtherFocusReason);
    }
    window_->show();
    // The frame's size is known only once the window is on screen.
    if (place)
        centre();
    window_->raise();
    window_->activateWindow();
}

void QtForm::CentreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        CentreOn(screen->availableGeometry());
}

void QtForm::CentreOn(const QRect& area) {
    // move() places the frame's top left corner; a window's position is on the screen,
    // owned or not.
    window_->move(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window_->frameGeometry().size(), area).topLeft());
}

void QtForm::Activate() {
    window_->raise();
    window_->activateWindow();
}

void QtForm::Close() { window_->CloseQuietly(); }

bool QtForm::IsOpen() const { return window_->isVisible(); }

void* QtForm::NativeHandle() const { return window_.data(); }

QMainWindow* QtForm::Window() const { return window_; }

QWidget* QtForm::ClientArea() const { return window_->centralWidget(); }

QWidget* QtForm::Widget(ControlName control) const { return widgets_[IndexOf(control)]; }

QtWindowSystem::QtWindowSystem(std::shared_ptr<QtGui> gui)
    : gui_(std::move(gui)), waker_(std::make_unique<QObject>()) {}

QtWindowSystem::~QtWindowSystem() = default;

std::unique_ptr<Form> QtWindowSystem::CreateForm(const FormLayout& layout, FormEvents& events) {
    QApplication* application = gui_ ? gui_->Application()
                                     : qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application)
        throw WindowError(L"Qt's window system is not running");
    return std::make_unique<QtForm>(layout, events);
}

bool QtWindowSystem::CanShow() {
    if (gui_ && DisplayAvailable())
        gui_->Application();
    return DisplayAvailable();
}

void QtWindowSystem::RunUntil(const std::function<bool()>& done, const std::function<void()>& tick,
                              std::chrono::milliseconds interval) {
    while (!done()) {
        WaitOnce(interval);
        if (done())
            return;
        tick();
    }
}

bool QtWindowSystem::TakeWake() {
    std::lock_guard lock(mutex_);
    return std::exchange(woken_, false);
}

void QtWindowSystem::WaitOnce(std::chrono::milliseconds interval) {
    if (!QCoreApplication::instance()) {
        std::unique_lock lock(mutex_);
        woken_up_.wait_for(lock, interval, [this] { return woken_; });
        woken_ = false;
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(interval, &loop, &QEventLoop::quit);
    // A Wake from here on quits this loop through waker_; one that came before is taken.
    loop_ = &loop;
    if (!TakeWake())
        loop.exec();
    loop_ = nullptr;
}

void QtWindowSystem::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    woken_up_.notify_all();
    // Runs on the UI thread, where loop_ lives.
    QMetaObject::invokeMethod(
        waker_.get(), [this] {
            if (loop_)
                loop_->quit();
        },
        Qt::QueuedConnection);
}

}  // namespace ks
