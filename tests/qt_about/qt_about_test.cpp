// The About window as Qt draws it, driven by real key presses and clicks, and the Qt browser service.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "about/about_form.h"
#include "about/about_window.h"
#include "fakes/fakes.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_form.h"

namespace ks {

// Catches what would go to the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

namespace af = about_form;

const QString kAddress = QString::fromStdWString(std::wstring(MakerWebAddress()));

class QtAbout : public ::testing::Test {
protected:
    QtWindowSystem windows;
    QtBrowserService browsers;
    fakes::FakeMessages messages;
    AboutWindow about{windows, browsers, messages};
    UrlCatcher catcher;
    QString scheme = QUrl(kAddress).scheme();

    void SetUp() override { QDesktopServices::setUrlHandler(scheme, &catcher, "open"); }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(scheme);
        if (about.IsOpen())
            about.Window()->Close();
    }

    QtForm& Form() { return *static_cast<QtForm*>(about.Window()); }
    QWidget* At(ControlName name) { return Form().Widget(name); }
    QMainWindow* Window() { return Form().Window(); }
    void Settle() {
        QApplication::processEvents();
        QTest::qWait(1);
    }
};

TEST_F(QtAbout, ControlsSitWhereTheTableSaysAtOneFifteenthOfATwip) {
    about.Show();
    ASSERT_DOUBLE_EQ(Form().Dpi(), 96.0) << "the pixel figures below are for 96 DPI";
    struct Case {
        ControlName name;
        QRect pixels;
    };
    const Case cases[] = {
        {af::picIcon, {16, 16, 36, 36}},         {af::lblTitle, {70, 16, 259, 32}},
        {af::lblVersion, {70, 52, 259, 15}},     {af::lblDescription, {70, 75, 259, 62}},
        {af::lblDisclaimer, {16, 152, 258, 28}}, {af::Command1, {16, 184, 265, 25}},
        {af::cmdOK, {283, 184, 84, 26}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        EXPECT_EQ(At(c.name)->geometry(), c.pixels);
    }
    EXPECT_EQ(Form().ClientArea()->size(), QSize(377, 218));
}

TEST_F(QtAbout, WindowIsAFixedDialogTitledAboutMyApp) {
    about.Show();
    EXPECT_EQ(Window()->windowTitle(), "About MyApp");
    EXPECT_EQ(Window()->minimumSize(), Window()->maximumSize()) << "it cannot be resized";
    const Qt::WindowFlags flags = Window()->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Window()->parentWidget(), nullptr) << "shown without an owner";
    EXPECT_FALSE(Window()->isModal()) << "the main window must stay usable";
}

TEST_F(QtAbout, TextsAreExactlyAsQuoted) {
    about.Show();
    auto label = [&](ControlName name) { return qobject_cast<QLabel*>(At(name))->text(); };
    EXPECT_EQ(label(af::lblTitle), "Kestrelspooler");
    EXPECT_EQ(label(af::lblVersion), "Version 1.4");
    EXPECT_EQ(label(af::lblDescription),
              "Send file directly to selected printerspooler. If you send big files, the "
              "processing will take several minutes. Some spooler check the datas, this can "
              "provocate an error. In this case, try Windows Generic Driver.");
    EXPECT_EQ(label(af::lblDisclaimer),
              "Warning: No warranty. If you send firmware updates to a printer you do it at "
              "your own risc!");
    EXPECT_EQ(qobject_cast<QPushButton*>(At(af::cmdOK))->text(), "OK");
    auto* web = qobject_cast<QPushButton*>(At(af::Command1));
    EXPECT_EQ(web->text(), kAddress);
    EXPECT_TRUE(web->font().underline());
    EXPECT_FALSE(qobject_cast<QPushButton*>(At(af::cmdOK))->font().underline());
}

TEST_F(QtAbout, WarningIsRedAndTheOtherTextsBlack) {
    about.Show();
    EXPECT_EQ(At(af::lblDisclaimer)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(At(af::lblTitle)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(At(af::lblDescription)->palette().color(QPalette::WindowText), QColor(0, 0, 0));

    // And it is drawn red: the warning's area has red ink (smoothed at the edges of
    // the letters), and no other part of the window has any.
    const QImage shot = Window()->grab().toImage();
    const QRect warning = At(af::lblDisclaimer)->geometry().translated(
        Form().ClientArea()->mapTo(Window(), QPoint(0, 0)));
    auto reddish = [](QColor c) { return c.red() > 180 && c.green() < 110 && c.blue() < 110; };
    int red_inside = 0, red_outside = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (reddish(shot.pixelColor(x, y)))
                ++(warning.contains(x, y) ? red_inside : red_outside);
    EXPECT_GT(red_inside, 50);
    EXPECT_EQ(red_outside, 0);
}

TEST_F(QtAbout, OkHasTheFocusAndTabReachesTheWebAddressButtonLast) {
    about.Show();
    Settle();
    EXPECT_EQ(Window()->focusWidget(), At(af::cmdOK));
    QTest::keyClick(Window()->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(Window()->focusWidget(), At(af::Command1));
    QTest::keyClick(Window()->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(Window()->focusWidget(), At(af::cmdOK)) << "labels and the picture take no focus";
}

TEST_F(QtAbout, OkEscAndEnterCloseButEnterOnTheWebAddressOpensThePage) {
    struct Case {
        const char* name;
        ControlName focus;
        Qt::Key key;  // Key_unknown: a mouse click on the focused button
        bool closes;
    };
    const Case cases[] = {
        {"click OK", af::cmdOK, Qt::Key_unknown, true},
        {"Esc", af::cmdOK, Qt::Key_Escape, true},
        {"Esc on the web-address button", af::Command1, Qt::Key_Escape, true},
        {"Enter", af::cmdOK, Qt::Key_Return, true},
        {"keypad Enter", af::cmdOK, Qt::Key_Enter, true},
        {"Enter on the web-address button", af::Command1, Qt::Key_Return, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        catcher.opened.clear();
        about.Show();
        Settle();
        ASSERT_TRUE(about.IsOpen());
        QWidget* focus = At(c.focus);
        focus->setFocus();
        if (c.key == Qt::Key_unknown)
            QTest::mouseClick(focus, Qt::LeftButton);
        else
            QTest::keyClick(focus, c.key);
        Settle();
        EXPECT_EQ(about.IsOpen(), !c.closes);
        EXPECT_EQ(catcher.opened.size(), c.closes ? 0 : 1);
        if (about.IsOpen())
            about.Window()->Close();
    }
}

TEST_F(QtAbout, EachClickOnTheWebAddressOpensThePageOnce) {
    about.Show();
    QTest::mouseClick(At(af::Command1), Qt::LeftButton);
    QTest::mouseClick(At(af::Command1), Qt::LeftButton);
    EXPECT_EQ(catcher.opened, (QList<QUrl>{QUrl(kAddress), QUrl(kAddress)}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(about.IsOpen());
}

TEST_F(QtAbout, ShowingAgainKeepsOneWindowAndReopeningStartsAfresh) {
    about.Show();
    QMainWindow* first = Window();
    about.Show();
    EXPECT_EQ(Window(), first);
    int about_windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        about_windows += w->isVisible() && w->windowTitle() == "About MyApp";
    EXPECT_EQ(about_windows, 1);

    about.Window()->SetText(af::lblVersion, L"changed");
    QTest::mouseClick(At(af::cmdOK), Qt::LeftButton);
    EXPECT_FALSE(about.IsOpen());
    about.Show();
    EXPECT_EQ(qobject_cast<QLabel*>(At(af::lblVersion))->text(), "Version 1.4");
}

TEST_F(QtAbout, ScreenshotIsKept) {
    about.Show();
    Settle();
    QDir().mkpath(KS_ARTIFACTS);
    const QImage shot = Window()->grab().toImage();
    EXPECT_EQ(shot.size(), Window()->size());
    EXPECT_TRUE(shot.save(KS_ARTIFACTS "/about_window.png"));
}

// The service itself: the three steps kept apart, failures as values.
TEST(QtBrowser, StepsAndFailures) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QtBrowserService service;
    EXPECT_EQ(service.Create(L"No.Such.Component"), nullptr);
    struct Case {
        const char* name;
        std::wstring_view component;
        std::wstring_view property;
        bool visible;
        std::wstring_view method;
        std::wstring address;
        bool property_ok, call_ok;
        int opened;
    };
    const Case cases[] = {
        {"as the About window asks", L"INTERNETEXPLORER.Application", L"Visible", true,
         L"navigate", L"https://a.example/", true, true, 1},
        {"names in any case", L"InternetExplorer.Application", L"visible", true, L"Navigate",
         L"https://a.example/", true, true, 1},
        {"hidden browser shows nothing", L"INTERNETEXPLORER.Application", L"Visible", false,
         L"navigate", L"https://a.example/", true, true, 0},
        {"unknown property", L"INTERNETEXPLORER.Application", L"Colour", true, L"navigate",
         L"https://a.example/", false, true, 0},
        {"unknown method", L"INTERNETEXPLORER.Application", L"Visible", true, L"print",
         L"https://a.example/", true, false, 0},
        {"no scheme: never taken for a file", L"INTERNETEXPLORER.Application", L"Visible", true,
         L"navigate", L"a.example/index.html", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        catcher.opened.clear();
        std::unique_ptr<BrowserObject> browser = service.Create(c.component);
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(browser->SetProperty(c.property, c.visible), c.property_ok);
        EXPECT_EQ(browser->CallMethod(c.method, c.address), c.call_ok);
        EXPECT_EQ(catcher.opened.size(), c.opened);
    }
    QDesktopServices::unsetUrlHandler("https");
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "qt_about_test.moc"
