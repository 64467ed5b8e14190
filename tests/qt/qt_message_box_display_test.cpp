// Message boxes on a real display (run under Xvfb): the box's face, its owner, and a GUI started on demand.
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/qt/qt_display.h"
#include "platform/qt/qt_message_box.h"

namespace ks {
namespace {

// What the open box showed, read by the answering timer before it pressed OK.
struct SeenBox {
    QString caption, text;
    Qt::TextFormat format = Qt::AutoText;
    int width = 0;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    QWidget* owner = nullptr;
};
std::optional<SeenBox> g_seen;

// Polls for the modal box and answers it with OK, as a person would.
void AnswerBoxes() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        g_seen = SeenBox{box->windowTitle(), box->text(),           box->textFormat(), box->width(),
                         box->icon(),        box->standardButtons(), box->isModal(),    box->parentWidget()};
        box->button(QMessageBox::Ok)->click();
    });
    timer->start(20);
}

// The service starts the Qt application itself; this runs as soon as it exists.
void InstallAnswerer() { AnswerBoxes(); }

// One service for the whole test program, as the program has: the application it
// starts lives as long as the service, which ends before main() returns (Qt cannot
// be taken down among the static destructors).
std::unique_ptr<QtMessageBoxService> g_messages;

class ServiceLifetime : public ::testing::Environment {
public:
    void SetUp() override { g_messages = std::make_unique<QtMessageBoxService>(); }
    void TearDown() override { g_messages.reset(); }
};
const auto* const kServiceLifetime = ::testing::AddGlobalTestEnvironment(new ServiceLifetime);

QtMessageBoxService& Messages() { return *g_messages; }

TEST(QtMessageBoxOnDisplay, CommandLineRunStartsTheGuiAndShowsAPlainBox) {
    ASSERT_TRUE(DisplayAvailable()) << "run this test under Xvfb";
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    qAddPreRoutine(InstallAnswerer);

    Messages().Show(L"The Printer Name you typed wasn't recognized.", L"Kestrelspooler");

    ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    ASSERT_TRUE(g_seen.has_value()) << "no box was shown";
    EXPECT_EQ(g_seen->caption, "Kestrelspooler");
    EXPECT_EQ(g_seen->text, "The Printer Name you typed wasn't recognized.");
    EXPECT_EQ(g_seen->icon, QMessageBox::NoIcon);
    EXPECT_EQ(g_seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(g_seen->modal);
    EXPECT_EQ(g_seen->owner, nullptr);
}

// Runs after the test above, in the application it started.
TEST(QtMessageBoxOnDisplay, BoxBelongsToTheOwnerWhileItLives) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    QtMessageBoxService& messages = Messages();
    auto* window = new QWidget;
    window->show();
    messages.SetOwner(window);

    g_seen.reset();
    messages.Show(L"Executed!", L"Message");
    ASSERT_TRUE(g_seen.has_value());
    EXPECT_EQ(g_seen->owner, window);
    EXPECT_EQ(g_seen->caption, "Message");

    delete window;
    g_seen.reset();
    messages.Show(L"Executed!", L"Message");
    ASSERT_TRUE(g_seen.has_value());
    EXPECT_EQ(g_seen->owner, nullptr);
}

// A failure box: its fixed text, a blank line, the detail lines, all plain text, and wide
// enough for its caption even when its text is short.
TEST(QtMessageBoxOnDisplay, FailureBoxShowsItsDetailsAsPlainTextBelowABlankLine) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    g_seen.reset();
    Messages().Show(L"The job is waiting in the printer's queue.", L"Kestrelspooler",
                    {L"The queue \"<b>k-raw</b>\" is paused; it prints when resumed: cupsenable k-raw.",
                     L"To remove it instead: cancel 42."});
    ASSERT_TRUE(g_seen.has_value());
    EXPECT_EQ(g_seen->text,
              "The job is waiting in the printer's queue.\n\n"
              "The queue \"<b>k-raw</b>\" is paused; it prints when resumed: cupsenable k-raw.\n"
              "To remove it instead: cancel 42.");
    EXPECT_EQ(g_seen->format, Qt::PlainText);

    const QString caption = "Kestrelspooler: a caption far longer than the text below it";
    g_seen.reset();
    Messages().Show(L"Executed!", caption.toStdWString());
    ASSERT_TRUE(g_seen.has_value());
    EXPECT_GT(g_seen->width, QFontMetrics(QApplication::font()).horizontalAdvance(caption));
}

}  // namespace
}  // namespace ks
