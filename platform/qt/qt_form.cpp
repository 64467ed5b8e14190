// A form drawn with Qt Widgets: one native window per form table, its events routed by control name.
#include "qt_form.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>

#include "qt_drop_data.h"
#include "qt_dialog_keys.h"

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

QString ToQString(std::wstring_view text) {
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::wstring FromQString(const QString& text) { return text.toStdWString(); }

int TwipsToPixels(int twips, double dpi) { return qRound(twips * dpi / 1440.0); }

QColor ActiveBorderColour() { return QApplication::palette().color(QPalette::Active, QPalette::Window); }

namespace {

QString ArtworkPath(std::wstring_view resource) { return ":/ks/" + ToQString(resource) + ".png"; }

// Button and menu captions would read "&" as an access key; the program has none.
QString WithoutAccessKeys(std::wstring_view caption) {
    return ToQString(caption).replace('&', QStringLiteral("&&"));
}

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
            events->Click(name);
    }
    void Unload() {
        if (FormEvents* events = events_)
            events->Unload();
    }

    // Every widget a drag can land on: the control and each of its inner widgets
    // (the combo box's line edit, the text box's viewport) take the drag themselves,
    // so that none of Qt's own handling (inserting the dragged text) runs and a
    // control that refuses a drop does not pass it on to the window behind it.
    void Watch(QWidget* widget, const std::wstring& name, bool accepts_drops, bool clickable) {
        watched_[widget] = {name, accepts_drops, clickable};
        widget->installEventFilter(this);
        widget->setAcceptDrops(true);
        for (QWidget* child : widget->findChildren<QWidget*>()) {
            if (child->isWindow())
                continue;
            watched_[child] = {name, accepts_drops, false};
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
                events->Drop(target.name, data);
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

// The top-level window. Its close box reports Unload; a close the program asks
// for itself does not.
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
        if (!quiet_ && router_)
            router_->Unload();
        event->accept();
    }

private:
    FormEventRouter* router_ = nullptr;  // a child of this window
    bool quiet_ = false;
};

QtForm::QtForm(const FormLayout& layout, FormEvents& events) : name_(layout.name) {
    InitArtworkResources();
    const QScreen* screen = QGuiApplication::primaryScreen();
    dpi_ = screen ? screen->logicalDotsPerInch() : 96.0;
    window_ = new FormWindow;
    router_ = new FormEventRouter(events, window_);
    window_->SetRouter(router_);
    Build(layout);
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

void QtForm::Build(const FormLayout& layout) {
    FormWindow& window = *window_;
    window.setWindowTitle(ToQString(layout.title));
    window.setFont(MakeFont(FontStyle{}));
    if (!layout.icon.empty())
        window.setWindowIcon(QIcon(ArtworkPath(layout.icon)));

    auto* client = new QWidget(&window);
    client->setObjectName(ToQString(layout.name));
    client->setAutoFillBackground(true);
    if (layout.system_background) {
        QPalette palette = client->palette();
        palette.setColor(QPalette::Window, ActiveBorderColour());
        client->setPalette(palette);
    }
    window.setCentralWidget(client);
    router_->Watch(client, name_, true, false);

    for (const MenuLayout& menu_layout : layout.menus) {
        QMenuBar* bar = window.menuBar();
        // Keep the menu bar inside the window (not a desktop's global menu), so the
        // client area lies below it as the layout expects.
        bar->setNativeMenuBar(false);
        QMenu* menu = bar->addMenu(WithoutAccessKeys(menu_layout.caption));
        menu->setObjectName(ToQString(menu_layout.name));
        for (const MenuEntryLayout& entry : menu_layout.entries) {
            QAction* action = menu->addAction(WithoutAccessKeys(entry.caption));
            action->setObjectName(ToQString(entry.name));
            QObject::connect(action, &QAction::triggered, router_,
                             [router = router_, name = std::wstring(entry.name)] {
                                 router->Click(name);
                             });
        }
    }

    for (const ControlLayout& control : layout.controls) {
        QWidget* widget = MakeControl(control, client);
        if (auto* button = qobject_cast<QPushButton*>(widget))
            // Drawn as the default button; AddDialogKeys makes Enter press it.
            button->setDefault(!layout.default_button.empty() && control.name == layout.default_button);
        controls_.push_back({std::wstring(control.name), control.kind, control.tab_index, widget});
        if (control.kind != ControlKind::Line)
            router_->Watch(widget, controls_.back().name, control.accepts_drops,
                           control.kind == ControlKind::Picture);
    }
    SetTabOrder();
    AddDialogKeys(window, layout);

    const QSize client_size(TwipsToPixels(layout.client_width, dpi_),
                            TwipsToPixels(layout.client_height, dpi_));
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
    const QRect box(TwipsToPixels(layout.left, dpi_), TwipsToPixels(layout.top, dpi_),
                    TwipsToPixels(layout.width, dpi_), TwipsToPixels(layout.height, dpi_));
    QWidget* widget = nullptr;
    QPalette::ColorRole text_role = QPalette::WindowText;
    QPalette::ColorRole background_role = QPalette::Window;

    switch (layout.kind) {
    case ControlKind::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(ToQString(layout.caption));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // Words wrap within the label's width, as a fixed-size label does on Windows;
        // a caption that fits stays on one line.
        label->setWordWrap(true);
        label->setMargin(0);
        label->setIndent(0);
        widget = label;
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);  // typing completes nothing: the text is what was typed
        combo->setEditText(ToQString(layout.caption));
        widget = combo;
        text_role = QPalette::Text;
        background_role = QPalette::Base;
        break;
    }
    case ControlKind::TextBox:
        if (layout.multi_line) {
            auto* edit = new QPlainTextEdit(parent);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            // Tab moves on; Enter is a line break.
            edit->setTabChangesFocus(true);
            // Qt's default margin leaves room for less than the two lines the box is
            // sized for.
            edit->document()->setDocumentMargin(2);
            edit->setReadOnly(layout.read_only);
            edit->setPlainText(ToQString(layout.caption));
            widget = edit;
        } else {
            auto* edit = new QLineEdit(parent);
            edit->setReadOnly(layout.read_only);
            edit->setText(ToQString(layout.caption));
            edit->setCursorPosition(0);
            widget = edit;
        }
        text_role = QPalette::Text;
        background_role = QPalette::Base;
        break;
    case ControlKind::Button: {
        auto* button = new QPushButton(WithoutAccessKeys(layout.caption), parent);
        // Focus alone never makes a button the one Enter presses.
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, router_,
                         [router = router_, name = std::wstring(layout.name)] { router->Click(name); });
        widget = button;
        text_role = QPalette::ButtonText;
        background_role = QPalette::Button;
        break;
    }
    case ControlKind::Picture: {
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
        widget = picture;
        break;
    }
    case ControlKind::Line: {
        const QPoint from(TwipsToPixels(layout.left, dpi_), TwipsToPixels(layout.top, dpi_));
        const QPoint to(TwipsToPixels(layout.x2, dpi_), TwipsToPixels(layout.y2, dpi_));
        const QColor colour = layout.fore ? QColor(layout.fore->red, layout.fore->green, layout.fore->blue)
                                        : QColor(Qt::black);
        widget = new LineWidget(from, to, layout.line_width, colour, parent);
        widget->setObjectName(ToQString(layout.name));
        widget->show();
        return widget;
    }
    }

    widget->setObjectName(ToQString(layout.name));
    widget->setGeometry(box);
    widget->setFont(MakeFont(layout.font));
    QPalette palette = widget->palette();
    if (layout.fore)
        palette.setColor(text_role, QColor(layout.fore->red, layout.fore->green, layout.fore->blue));
    if (layout.system_background) {
        palette.setColor(background_role, ActiveBorderColour());
        palette.setColor(QPalette::Window, ActiveBorderColour());
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);

    const bool can_focus = layout.kind == ControlKind::ComboBox || layout.kind == ControlKind::TextBox ||
                           layout.kind == ControlKind::Button;
    if (!can_focus)
        widget->setFocusPolicy(Qt::NoFocus);
    else if (layout.tab_index < 0)
        // Out of the tab order, yet a click still reaches it (to select and copy).
        widget->setFocusPolicy(Qt::ClickFocus);
    else
        widget->setFocusPolicy(Qt::StrongFocus);
    widget->show();
    return widget;
}

void QtForm::SetTabOrder() {
    std::vector<const Control*> order;
    for (const Control& c : controls_)
        if (c.tab_index >= 0 && c.widget->focusPolicy() != Qt::NoFocus)
            order.push_back(&c);
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        return a->tab_index < b->tab_index;
    });
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);
    if (!order.empty())
        order.front()->widget->setFocus(Qt::OtherFocusReason);
    first_focus_ = order.empty() ? nullptr : order.front()->widget.data();
}

const QtForm::Control& QtForm::At(std::wstring_view control) const {
    for (const Control& c : controls_)
        if (c.name == control && c.widget)
            return c;
    throw std::logic_error("no such control: " + ToQString(control).toStdString());
}

std::wstring QtForm::Text(std::wstring_view control) const {
    QWidget* widget = At(control).widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return FromQString(combo->currentText());
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
        return FromQString(edit->toPlainText());
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return FromQString(edit->text());
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return FromQString(button->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    if (auto* label = qobject_cast<QLabel*>(widget); label && label->pixmap().isNull())
        return FromQString(label->text());
    return {};
}

void QtForm::SetText(std::wstring_view control, const std::wstring& text) {
    QWidget* widget = At(control).widget;
    const QString value = ToQString(text);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // An edited text that no longer names the selected entry drops the selection.
        if (combo->currentIndex() >= 0 && combo->itemText(combo->currentIndex()) != value)
            combo->setCurrentIndex(-1);
        combo->setEditText(value);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(WithoutAccessKeys(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    }
}

namespace {
QComboBox& Combo(QWidget* widget) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!combo)
        throw std::logic_error("not a combo box");
    return *combo;
}
}  // namespace

void QtForm::AddItem(std::wstring_view control, const std::wstring& item) {
    QComboBox& combo = Combo(At(control).widget);
    // Qt selects the first entry added to an empty box and shows it as the text;
    // adding to the list must leave the text as it was.
    const QString text = combo.currentText();
    const int selected = combo.currentIndex();
    combo.addItem(ToQString(item));
    if (combo.currentIndex() != selected) {
        combo.setCurrentIndex(selected);
        combo.setEditText(text);
    }
}

int QtForm::ItemCount(std::wstring_view control) const { return Combo(At(control).widget).count(); }

std::wstring QtForm::Item(std::wstring_view control, int index) const {
    QComboBox& combo = Combo(At(control).widget);
    if (index < 0 || index >= combo.count())
        throw std::out_of_range("no such list entry");
    return FromQString(combo.itemText(index));
}

void QtForm::SetSelectedIndex(std::wstring_view control, int index) {
    QComboBox& combo = Combo(At(control).widget);
    if (index < 0 || index >= combo.count())
        throw std::out_of_range("no such list entry");
    combo.setCurrentIndex(index);
    combo.setEditText(combo.itemText(index));
}

void QtForm::Refresh(std::wstring_view control) {
    if (QWidget* widget = At(control).widget; widget->isVisible())
        widget->repaint();
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

void QtForm::Show() {
    const bool first = !shown_before_;
    shown_before_ = true;
    if (first) {
        Centre();
        if (first_focus_)
            first_focus_->setFocus(Qt::OtherFocusReason);
    }
    window_->show();
    // The frame's size is known only once the window is on screen.
    if (first)
        Centre();
    window_->raise();
    window_->activateWindow();
}

void QtForm::Centre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // move() places the frame's top left corner.
    window_->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window_->frameGeometry().size(),
                                      screen->availableGeometry())
                      .topLeft());
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

QWidget* QtForm::Widget(std::wstring_view control) const { return At(control).widget; }

}  // namespace ks
