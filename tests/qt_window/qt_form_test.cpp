// The main window on Qt, built from its layout table and driven through its real widgets.
#include <optional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

#include "fakes/form_contract.h"

#include "fakes/fakes.h"
#include "main_window/kestrelspooler.h"
#include "main_window/main_form.h"
#include "platform/qt/qt_form.h"

namespace {

using ks::ControlKind;
using ks::ControlLayout;
using ks::ControlName;
using ks::MainFormLayout;
namespace mf = ks::main_form;

using Recorder = ks::fakes::RecordedEvents;
constexpr auto N = ks::fakes::NameText;

std::string Name(const ControlLayout& c) { return testing::PrintToString(c.name); }

// Which control a focused widget belongs to (the combo box's line edit is the box's).
std::wstring ControlOf(const ks::QtForm& form, QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        for (const ControlLayout& c : MainFormLayout().controls)
            if (form.Widget(c.name) == widget)
                return N(c.name);
    return L"(none)";
}

constexpr Qt::DropActions kActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// Drags data over the window to a point and lets it go there, as the platform's
// drag-and-drop delivers it to the window; the drop is let go even when the target
// refused it. Returns whether the target welcomed the drag.
bool DragAndDrop(QWidget* window, QPoint at, const QMimeData& mime, Qt::DropActions actions = kActions,
                 Qt::DropAction* taken_as = nullptr) {
    QWindow* handle = window->windowHandle();
    QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &enter);
    QDragMoveEvent move(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &move);
    const bool welcome = move.isAccepted();
    QDropEvent drop(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    // What a file manager proposes for a plain drag between two of its folders.
    drop.setDropAction(actions & Qt::MoveAction ? Qt::MoveAction : drop.proposedAction());
    QCoreApplication::sendEvent(handle, &drop);
    if (taken_as)
        *taken_as = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    return welcome;
}

QMimeData* ThreeFiles() {
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile("/srv/jobs/first.prn"), QUrl::fromLocalFile("/srv/jobs/second.prn"),
                   QUrl::fromLocalFile("/srv/jobs/third.prn")});
    return mime;
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<ks::QtForm>(MainFormLayout(), recorder_);
        form_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_->Window()));
    }
    void TearDown() override {
        form_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int Px(int twips) const { return ks::TwipsToPixels(twips, form_->Dpi()); }
    QRect Expected(const ControlLayout& c) const { return {Px(c.left), Px(c.top), Px(c.width), Px(c.height)}; }
    QWidget* W(ControlName name) const { return form_->Widget(name); }
    QPoint CentreOf(ControlName name) const {
        QWidget* w = W(name);
        return w->mapTo(form_->Window(), w->rect().center());
    }
    void ExpectControlsAtTheirPlaces() const {
        for (const ControlLayout& c : MainFormLayout().controls) {
            SCOPED_TRACE(Name(c));
            EXPECT_EQ(W(c.name)->parentWidget(), form_->ClientArea());
            EXPECT_EQ(W(c.name)->geometry(), Expected(c));
        }
    }

    Recorder recorder_;
    std::unique_ptr<ks::QtForm> form_;
};

TEST_F(MainWindowTest, ControlsSitWhereTheTableSaysAtTheScreensDpi) {
    ASSERT_EQ(form_->Dpi(), QGuiApplication::primaryScreen()->logicalDotsPerInch());
    ExpectControlsAtTheirPlaces();
    const ks::FormLayout& layout = MainFormLayout();
    EXPECT_EQ(form_->ClientArea()->size(), QSize(Px(layout.client_width), Px(layout.client_height)));
    // The client area starts below the menu bar.
    EXPECT_EQ(form_->ClientArea()->y(), form_->Window()->menuBar()->geometry().bottom() + 1);
}

TEST_F(MainWindowTest, FifteenTwipsMakeAPixelAt96Dpi) {
    if (form_->Dpi() != 96.0)
        GTEST_SKIP() << "screen is at " << form_->Dpi() << " DPI";
    for (const ControlLayout& c : MainFormLayout().controls) {
        SCOPED_TRACE(Name(c));
        EXPECT_EQ(W(c.name)->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
    }
    EXPECT_EQ(form_->ClientArea()->size(), QSize(433, 177));
}

TEST_F(MainWindowTest, EnlargingTheWindowMovesNothing) {
    form_->Window()->resize(form_->Window()->size() * 2);
    QCoreApplication::processEvents();
    ASSERT_GT(form_->ClientArea()->width(), Px(MainFormLayout().client_width));
    ExpectControlsAtTheirPlaces();
}

TEST_F(MainWindowTest, EachControlIsTheNativeWidgetItsKindCallsFor) {
    for (const ControlLayout& c : MainFormLayout().controls) {
        SCOPED_TRACE(Name(c));
        QWidget* w = W(c.name);
        const QFont font = w->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 8.25);
        EXPECT_EQ(font.italic(), c.kind == ControlKind::Label);
        // The fallback face must be a sans-serif one that Qt really found.
        EXPECT_FALSE(QFontInfo(font).fixedPitch());
        switch (c.kind) {
        case ControlKind::Label: {
            auto* label = qobject_cast<QLabel*>(w);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text().toStdWString(), c.caption);
            EXPECT_TRUE(label->alignment() & Qt::AlignLeft);
            // One line: the caption fits the width the table gives it.
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
            EXPECT_LE(label->fontMetrics().height(), label->height());
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = qobject_cast<QComboBox*>(w);
            ASSERT_NE(combo, nullptr);
            EXPECT_TRUE(combo->isEditable());
            break;
        }
        case ControlKind::TextBox:
            if (c.multi_line) {
                auto* edit = qobject_cast<QPlainTextEdit*>(w);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
                EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
                EXPECT_EQ(edit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
                // Two lines of text fit the box.
                EXPECT_GE(edit->viewport()->height(), 2 * edit->fontMetrics().lineSpacing());
            } else {
                auto* edit = qobject_cast<QLineEdit*>(w);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->isReadOnly(), c.read_only);
                EXPECT_EQ(edit->text().toStdWString(), c.caption);
            }
            break;
        case ControlKind::Button: {
            auto* button = qobject_cast<QPushButton*>(w);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text().toStdWString(), c.caption);
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 8);
            form_->SetText(c.name, L"Save & Print");
            EXPECT_EQ(button->text(), "Save && Print") << "a single & would mark an access key";
            form_->SetText(c.name, std::wstring(c.caption));
            break;
        }
        case ControlKind::Picture: {
            auto* picture = qobject_cast<QLabel*>(w);
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->pixmap().size(), QSize(266, 49));
            EXPECT_FALSE(picture->hasScaledContents());
            break;
        }
        case ControlKind::Line:
        case ControlKind::ProgressBar:
            break;
        }
        EXPECT_EQ(form_->Text(c.name), c.kind == ControlKind::Picture ? L"" : c.caption);
    }
}

TEST_F(MainWindowTest, LabelsAndSizeFieldShowTheWindowsBackground) {
    const QImage shot = form_->Window()->grab().toImage();
    const QColor background = ks::ActiveBorderColour();
    const QPoint empty(Px(120), Px(1800));  // below "File:", left of the banner
    ASSERT_EQ(form_->ClientArea()->childAt(empty), nullptr);
    EXPECT_EQ(shot.pixelColor(form_->ClientArea()->mapTo(form_->Window(), empty)), background);
    for (ControlName name : {mf::Label1, mf::Label2, mf::Label3}) {
        // The right-hand end of a label lies past its caption.
        QWidget* w = W(name);
        const QPoint inside = w->mapTo(form_->Window(), QPoint(w->width() - 2, w->height() - 2));
        EXPECT_EQ(shot.pixelColor(inside), background) << testing::PrintToString(name);
    }
    auto* size = qobject_cast<QLineEdit*>(W(mf::Text1));
    EXPECT_EQ(size->palette().color(QPalette::Base), background);
}

TEST_F(MainWindowTest, TabVisitsTheTableOrderStartingAtFileSelect) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_->Window()));
    EXPECT_EQ(ControlOf(*form_, QApplication::focusWidget()), N(mf::Command1));
    std::vector<std::wstring> visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(ControlOf(*form_, QApplication::focusWidget()));
    }
    EXPECT_EQ(visited, (std::vector<std::wstring>{N(mf::Combo1), N(mf::Command2), N(mf::Text2), N(mf::Command3),
                                                  N(mf::Command1)}));
    for (const ControlLayout& c : MainFormLayout().controls) {
        if (c.tab_index < 0) {
            EXPECT_FALSE(W(c.name)->focusPolicy() & Qt::TabFocus) << Name(c);
        }
    }
    EXPECT_TRUE(recorder_.events.empty());
}

TEST_F(MainWindowTest, OpensCentredOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offset = form_->Window()->frameGeometry().center() - screen.center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

TEST_F(MainWindowTest, FilesDroppedOnDropTargetsReportTheFirstPath) {
    const QPoint background = form_->ClientArea()->mapTo(form_->Window(), QPoint(Px(120), Px(1800)));
    const struct {
        ControlName control;
        QPoint at;
    } cases[] = {{mf::Text2, CentreOf(mf::Text2)},   {mf::Label2, CentreOf(mf::Label2)},
                 {mf::Image1, CentreOf(mf::Image1)}, {mf::Combo1, CentreOf(mf::Combo1)},
                 {mf::Text1, CentreOf(mf::Text1)},   {mf::Command1, CentreOf(mf::Command1)},
                 {mf::Kestrelspooler, background}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.control));
        recorder_.events.clear();
        std::unique_ptr<QMimeData> mime(ThreeFiles());
        EXPECT_TRUE(DragAndDrop(form_->Window(), c.at, *mime));
        EXPECT_EQ(recorder_.events,
                  (std::vector<Recorder::Event>{{L"Drop", N(c.control), true, L"/srv/jobs/first.prn"}}));
    }
    // The text boxes' own drop handling inserted nothing.
    EXPECT_EQ(form_->Text(mf::Text2), L"");
    EXPECT_EQ(form_->Text(mf::Combo1), L"");
    EXPECT_EQ(form_->Text(mf::Text1), L"0");
}

TEST_F(MainWindowTest, DropsAreTakenAsCopiesSoTheSourceKeepsItsFiles) {
    std::unique_ptr<QMimeData> mime(ThreeFiles());
    Qt::DropAction taken = Qt::IgnoreAction;
    EXPECT_TRUE(DragAndDrop(form_->Window(), CentreOf(mf::Text2), *mime, kActions, &taken));
    EXPECT_EQ(taken, Qt::CopyAction);
    EXPECT_TRUE(DragAndDrop(form_->Window(), CentreOf(mf::Text2), *mime, Qt::MoveAction | Qt::LinkAction, &taken));
    EXPECT_EQ(taken, Qt::LinkAction);
    EXPECT_EQ(recorder_.events.size(), 2u);
    // A drag that can only be moved would lose the user's file: refused.
    recorder_.events.clear();
    EXPECT_FALSE(DragAndDrop(form_->Window(), CentreOf(mf::Text2), *mime, Qt::MoveAction, &taken));
    EXPECT_EQ(taken, Qt::IgnoreAction);
    EXPECT_TRUE(recorder_.events.empty());
}

TEST_F(MainWindowTest, DroppedTextIsADropWithoutFileList) {
    for (ControlName target : {mf::Text2, mf::Combo1, mf::Label3}) {
        SCOPED_TRACE(testing::PrintToString(target));
        recorder_.events.clear();
        QMimeData mime;
        mime.setText("/etc/passwd");
        EXPECT_TRUE(DragAndDrop(form_->Window(), CentreOf(target), mime));
        EXPECT_EQ(recorder_.events, (std::vector<Recorder::Event>{{L"Drop", N(target), false, std::nullopt}}));
    }
    EXPECT_EQ(form_->Text(mf::Text2), L"");
    EXPECT_EQ(form_->Text(mf::Combo1), L"");
}

TEST_F(MainWindowTest, DefaultPrinterButtonRefusesDropsAndKeepsThemFromTheWindow) {
    std::unique_ptr<QMimeData> mime(ThreeFiles());
    EXPECT_FALSE(DragAndDrop(form_->Window(), CentreOf(mf::Command3), *mime));
    EXPECT_TRUE(recorder_.events.empty());
    // The next drag elsewhere still works: the refused one left nothing behind.
    EXPECT_TRUE(DragAndDrop(form_->Window(), CentreOf(mf::Text2), *mime));
    EXPECT_EQ(recorder_.events.size(), 1u);
}

TEST_F(MainWindowTest, MenuEntriesAndClicksReportTheirNames) {
    QMenuBar* bar = form_->Window()->menuBar();
    QStringList titles;
    std::vector<std::wstring> expected;
    for (QAction* top : bar->actions()) {
        titles << top->text();
        for (QAction* entry : top->menu()->actions()) {
            EXPECT_TRUE(entry->shortcut().isEmpty()) << entry->text().toStdString();
            EXPECT_FALSE(entry->text().contains('&')) << entry->text().toStdString();
            entry->trigger();
            expected.push_back(entry->text().toStdWString());
        }
    }
    EXPECT_EQ(titles, (QStringList{"File", "Help"}));
    EXPECT_EQ(expected, (std::vector<std::wstring>{N(mf::Open), N(mf::Print), N(mf::Exit), N(mf::About)}));
    for (ControlName button : {mf::Command1, mf::Command2, mf::Command3}) {
        QTest::mouseClick(W(button), Qt::LeftButton);
        expected.push_back(N(button));
    }
    QTest::mouseClick(W(mf::Image1), Qt::LeftButton);
    expected.push_back(N(mf::Image1));
    // Nothing else answers a click.
    QTest::mouseClick(W(mf::Label2), Qt::LeftButton);
    QTest::mouseClick(form_->ClientArea(), Qt::LeftButton, {}, QPoint(Px(120), Px(1800)));

    std::vector<std::wstring> clicked;
    for (const Recorder::Event& e : recorder_.events) {
        EXPECT_EQ(e.kind, L"Click");
        clicked.push_back(e.control);
    }
    EXPECT_EQ(clicked, expected);
}

TEST_F(MainWindowTest, TypingChoosingAndEnterTriggerNothing) {
    form_->AddItem(mf::Combo1, L"Laser");
    form_->AddItem(mf::Combo1, L"Label printer");
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_->Window()));
    auto* combo = qobject_cast<QComboBox*>(W(mf::Combo1));
    combo->setFocus();
    QTest::keyClicks(combo, "La");
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Return);
    QTest::keyClick(combo, Qt::Key_Escape);
    W(mf::Text2)->setFocus();
    QTest::keyClicks(W(mf::Text2), "/tmp/x");
    QTest::keyClick(W(mf::Text2), Qt::Key_Return);
    QTest::keyClicks(W(mf::Text2), "y");
    EXPECT_TRUE(recorder_.events.empty());
    // Enter is a line break in the path field.
    EXPECT_EQ(form_->Text(mf::Text2), L"/tmp/x\ny");
    EXPECT_EQ(combo->count(), 2);  // Enter in the box adds no entry
    EXPECT_TRUE(form_->IsOpen());
}

TEST_F(MainWindowTest, CloseBoxReportsUnloadAndCloseDoesNot) {
    form_->Window()->windowHandle()->close();  // as the window manager's close box does
    EXPECT_EQ(recorder_.events, (std::vector<Recorder::Event>{{L"Unload", L""}}));
    EXPECT_FALSE(form_->IsOpen());

    form_->Show();
    EXPECT_TRUE(form_->IsOpen());
    recorder_.events.clear();
    form_->Close();
    EXPECT_TRUE(recorder_.events.empty());
    EXPECT_FALSE(form_->IsOpen());
}

TEST_F(MainWindowTest, BusyPointerComesAndGoesOnce) {
    form_->SetBusy(true);
    form_->SetBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    form_->SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtFormContract, ComboBoxBehavesLikeTheHeadlessForm) {
    Recorder recorder;
    ks::QtForm qt(MainFormLayout(), recorder);
    ks::fakes::ExpectComboBoxLikeHeadlessForm(qt);
}

TEST(QtFormContract, FollowsTheFormCallsRules) {
    Recorder recorder;
    ks::QtForm qt(MainFormLayout(), recorder);
    ks::fakes::ExpectTheFormCallsRules(qt);
}

// The program itself on the Qt window system: a drop loads the first file.
class ProgramTest : public testing::Test {
protected:
    ProgramTest() {
        platform_.printers.installed = {L"Laser", L"Label printer", L"Plotter"};
        platform_.printers.system_default = L"Laser";
        platform_.settings.values[ks::fakes::FakeSettings::Key(L"Kestrelspooler", L"STARTUP", L"Drucker")] =
            L"Label printer";
        platform_.files.files[L"/srv/jobs/first.prn"] = std::vector<std::uint8_t>(1234, 0x1b);
        program_ = std::make_unique<ks::Kestrelspooler>(ks::Services{
            platform_.printers, platform_.spooler, platform_.files, platform_.settings,
            platform_.process, platform_.messages, windows_});
    }
    ~ProgramTest() override {
        program_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ks::QtForm& Form() { return static_cast<ks::QtForm&>(program_->Window()); }

    ks::fakes::FakePlatform platform_;
    ks::QtWindowSystem windows_;
    std::unique_ptr<ks::Kestrelspooler> program_;
};

TEST_F(ProgramTest, DropOnTheWindowLoadsTheFirstFileAndShowsItsSize) {
    program_->Load();
    Form().Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form().Window()));
    EXPECT_EQ(Form().ItemCount(mf::Combo1), 3);
    EXPECT_EQ(Form().Text(mf::Combo1), L"Label printer");

    std::unique_ptr<QMimeData> mime(ThreeFiles());
    QWidget* banner = Form().Widget(mf::Image1);
    EXPECT_TRUE(DragAndDrop(Form().Window(), banner->mapTo(Form().Window(), banner->rect().center()), *mime));
    EXPECT_EQ(Form().Text(mf::Text2), L"/srv/jobs/first.prn");
    EXPECT_EQ(Form().Text(mf::Text1), L"1234");
    EXPECT_EQ(program_->FileBuffer().size(), 1234u);

    const QString dir = QStringLiteral(KS_ARTEFACTS_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    EXPECT_TRUE(Form().Window()->grab().save(dir + "/main_window.png"));
}

}  // namespace
