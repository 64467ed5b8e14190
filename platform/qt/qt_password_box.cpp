// Asking for a printer's user name and password in a modal Qt box.
#include "platform/qt/qt_password_box.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <condition_variable>
#include <mutex>

#include "common/prompt_pause.h"
#include "platform/qt/qt_display.h"
#include "texts/program_texts.h"

namespace ks {

namespace {

using Kind = PromptAnswer::Kind;

// What the worker and the UI thread share about one question.
struct Question {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    PromptAnswer answer;
    QPointer<QDialog> box;  // UI thread only

    void Settle(PromptAnswer given) {
        {
            std::lock_guard lock(mutex);
            if (done)
                return;
            done = true;
            answer = std::move(given);
        }
        answered.notify_all();
    }
};

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

// UI thread: builds the box and shows it without waiting for it.
void ShowBox(QApplication* application, const std::shared_ptr<Question>& question,
             const std::wstring& printer, const std::wstring& user, bool again) {
    if (!application) {
        question->Settle({Kind::NobodyToAsk, {}});
        return;
    }
    // A child of the open progress window is not blocked by it, and blocks nothing itself.
    QWidget* progress = QApplication::activeModalWidget();
    auto* box = new QDialog(progress);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(progress ? Qt::NonModal : Qt::ApplicationModal);
    box->setWindowTitle(Q(texts::kProgramTitle));
    box->setObjectName(QStringLiteral("passwordBox"));

    auto* layout = new QVBoxLayout(box);
    std::wstring words;
    if (again)
        words = L"The scheduler refused that user name and password.\n";
    words += L"The printer \"" + printer + L"\" needs a user name and password.";
    auto* label = new QLabel(Q(words), box);
    label->setTextFormat(Qt::PlainText);  // a printer's name is data, never markup
    layout->addWidget(label);

    auto* form = new QFormLayout;
    auto* user_field = new QLineEdit(Q(user), box);
    user_field->setObjectName(QStringLiteral("user"));
    auto* password_field = new QLineEdit(box);
    password_field->setObjectName(QStringLiteral("password"));
    password_field->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&User name:"), user_field);
    form->addRow(QStringLiteral("&Password:"), password_field);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, box);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::reject);
    QObject::connect(box, &QDialog::finished, box, [question, user_field, password_field](int result) {
        PromptAnswer answer{Kind::Declined, {}};
        if (result == QDialog::Accepted) {
            answer.kind = Kind::Given;
            answer.credentials = {user_field->text().toStdWString(), password_field->text().toStdWString()};
        }
        password_field->clear();
        question->Settle(std::move(answer));
    });
    question->box = box;
    box->show();
    box->raise();
    box->activateWindow();
    (user.empty() ? user_field : password_field)->setFocus();
}

}  // namespace

PromptAnswer QtPasswordBox::Ask(const std::wstring& printer, const std::wstring& user, bool again,
                                const std::atomic<bool>& stop,
                                std::chrono::steady_clock::time_point deadline) {
    auto question = std::make_shared<Question>();
    PromptStanding standing;
    std::shared_ptr<QtGui> gui = gui_;
    PromptPause::Shared().Post([gui, question, printer, user, again] {
        {
            std::lock_guard lock(question->mutex);
            if (question->done)  // given up before the UI thread came to it
                return;
        }
        QApplication* application = gui ? gui->Application()
                                         : qobject_cast<QApplication*>(QCoreApplication::instance());
        // A GUI that had to fall back to drawing off screen shows nobody the box.
        if (gui && !DisplayAvailable())
            application = nullptr;
        ShowBox(application, question, printer, user, again);
    });
    std::unique_lock lock(question->mutex);
    while (!question->done) {
        question->answered.wait_for(lock, std::chrono::milliseconds(100));
        if (question->done)
            break;
        if (stop.load() || std::chrono::steady_clock::now() >= deadline) {
            question->done = true;
            question->answer.kind = stop.load() ? Kind::Stopped : Kind::TimedOut;
            PromptPause::Shared().Post([question] {
                if (question->box)
                    question->box->close();
            });
        }
    }
    return std::move(question->answer);
}

}  // namespace ks
