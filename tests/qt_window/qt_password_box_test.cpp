// The Qt password box: asked from a worker, shown on the UI thread, answered, declined or taken away.
#include <atomic>
#include <optional>
#include <thread>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "common/prompt_pause.h"
#include "platform/qt/qt_password_box.h"

namespace {

using namespace std::chrono_literals;
using Kind = ks::PromptAnswer::Kind;
using Clock = std::chrono::steady_clock;

QDialog* OpenBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("passwordBox") && widget->isVisible())
            return static_cast<QDialog*>(widget);
    }
    return nullptr;
}

// The UI thread's side while a worker asks: what the program's progress tick does.
void Serve() {
    ks::PromptPause::Shared().RunPosted();
    QApplication::processEvents();
    std::this_thread::sleep_for(5ms);
}

// A question asked from a worker thread, as the job asks it.
struct Asking {
    std::atomic<bool> stop{false}, done{false};
    ks::PromptAnswer answer;
    std::thread worker;
    Asking(ks::QtPasswordBox& prompt, const wchar_t* printer, bool again, std::chrono::milliseconds longest)
        : worker([&prompt, printer, again, longest, this] {
              answer = prompt.Ask(printer, L"root", again, stop, Clock::now() + longest);
              done = true;
          }) {}
    // Serves the UI thread until the question has its answer.
    void Finish() {
        for (int i = 0; i < 2000 && !done; ++i)
            Serve();
        worker.join();
        Serve();
    }
};

struct Row {
    const char* name;
    // What the person (or the program) does once the box is up.
    std::function<void(QDialog*, std::atomic<bool>& stop)> act;
    Kind kind;
    std::wstring user, password;
    std::chrono::milliseconds longest = 60s;
};

TEST(QtPasswordBox, AnswersDeclinesAndGivesUpFromAWorker) {
    const Row rows[] = {
        {"OK with a user name and password typed",
         [](QDialog* box, std::atomic<bool>&) {
             auto* user = box->findChild<QLineEdit*>(QStringLiteral("user"));
             user->clear();
             QTest::keyClicks(user, QStringLiteral("alice"));
             auto* password = box->findChild<QLineEdit*>(QStringLiteral("password"));
             EXPECT_EQ(password->echoMode(), QLineEdit::Password) << "the password shows";
             QTest::keyClicks(password, QStringLiteral("s3cret"));
             box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
         },
         Kind::Given, L"alice", L"s3cret"},
        {"Enter in the password field keeps the offered user name",
         [](QDialog* box, std::atomic<bool>&) {
             auto* password = box->findChild<QLineEdit*>(QStringLiteral("password"));
             QTest::keyClicks(password, QStringLiteral("pw"));
             QTest::keyClick(password, Qt::Key_Return);
         },
         Kind::Given, L"root", L"pw"},
        {"Cancel",
         [](QDialog* box, std::atomic<bool>&) {
             box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
         },
         Kind::Declined, L"", L""},
        {"Esc", [](QDialog* box, std::atomic<bool>&) { QTest::keyClick(box, Qt::Key_Escape); },
         Kind::Declined, L"", L""},
        {"the close box", [](QDialog* box, std::atomic<bool>&) { box->close(); }, Kind::Declined, L"", L""},
        {"the job's cancel", [](QDialog*, std::atomic<bool>& stop) { stop = true; }, Kind::Stopped, L"", L""},
        {"nobody answers before the deadline", [](QDialog*, std::atomic<bool>&) {}, Kind::TimedOut, L"", L"",
         300ms},
    };
    ks::QtPasswordBox prompt;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Asking asking(prompt, L"Kestrel-<b>Auth</b>", false, row.longest);
        QDialog* box = nullptr;
        for (int i = 0; i < 1000 && !box && !asking.done; ++i) {
            Serve();
            box = OpenBox();
        }
        ASSERT_NE(box, nullptr) << "no box";
        EXPECT_TRUE(ks::PromptPause::Shared().Standing()) << "the meter may draw over the box";
        EXPECT_TRUE(box->isModal());
        // The printer's name is shown as it is, never as markup.
        EXPECT_EQ(box->findChild<QLabel*>()->text(),
                  QStringLiteral("The printer \"Kestrel-<b>Auth</b>\" needs a user name and password."));
        row.act(box, asking.stop);
        asking.Finish();
        Serve();
        EXPECT_EQ(asking.answer.kind, row.kind);
        EXPECT_EQ(asking.answer.credentials.user, row.user);
        EXPECT_EQ(asking.answer.credentials.password, row.password);
        EXPECT_EQ(OpenBox(), nullptr) << "the box outlived its question";
        EXPECT_FALSE(ks::PromptPause::Shared().Standing());
    }
}

// A second question says the last answer was refused, and can come while the job's progress
// window is open (the scheduler took its time over the first answer): the box must not take
// the window's Cancel away.
TEST(QtPasswordBox, AskedAgainBesideAnOpenProgressWindowItSaysSoAndLeavesThatWindowUsable) {
    QDialog progress;
    progress.setWindowModality(Qt::ApplicationModal);
    progress.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &progress);
    ks::QtPasswordBox prompt;
    Asking asking(prompt, L"Kestrel-Auth", true, 60s);
    QDialog* box = nullptr;
    for (int i = 0; i < 1000 && !box; ++i) {
        Serve();
        for (QDialog* child : progress.findChildren<QDialog*>(QStringLiteral("passwordBox")))
            box = child->isVisible() ? child : box;
    }
    ASSERT_NE(box, nullptr) << "the box is not the progress window's child";
    EXPECT_EQ(box->findChild<QLabel*>()->text(),
              QStringLiteral("The scheduler refused that user name and password.\n"
                             "The printer \"Kestrel-Auth\" needs a user name and password."));
    QDir().mkpath(QStringLiteral(KS_ARTEFACTS_DIR));
    box->grab().save(QStringLiteral(KS_ARTEFACTS_DIR "/password_box_again.png"));
    EXPECT_FALSE(box->isModal()) << "the box blocks the progress window";
    EXPECT_EQ(QApplication::activeModalWidget(), &progress);
    asking.stop = true;  // what the progress window's Cancel does
    asking.Finish();
    EXPECT_TRUE(progress.findChildren<QDialog*>(QStringLiteral("passwordBox")).isEmpty() ||
                !progress.findChild<QDialog*>(QStringLiteral("passwordBox"))->isVisible());
}

}  // namespace
