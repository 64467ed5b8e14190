// The Qt open-file dialog, driven as a user would: the record it is given, a confirmed file, Cancel, a path too long.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "file_chooser/open_file.h"
#include "platform/qt/qt_open_file_dialog.h"

// Readable failures: QString as text.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace ks {
namespace {

// Waits, inside the dialog's own event loop, for the open-file dialog to become the
// active modal window, then hands it to `drive`.
class WhenDialogOpens {
public:
    explicit WhenDialogOpens(std::function<void(QFileDialog&)> drive) : drive_(std::move(drive)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer_.stop();
            opened = true;
            drive_(*dialog);
        });
        timer_.start(10);
    }
    bool opened = false;

private:
    std::function<void(QFileDialog&)> drive_;
    QTimer timer_;
};

void Screenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(KS_ARTIFACTS));
    widget.grab().save(QStringLiteral(KS_ARTIFACTS "/%1.png").arg(name));
}

// Types `text` into the file-name box and presses Open, as a user would.
void TypeAndOpen(QFileDialog& dialog, const QString& text) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(text);
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Open)->click();
    // A refused name leaves the dialog open behind a message; the test must not hang.
    if (dialog.isVisible())
        QTimer::singleShot(0, &dialog, &QDialog::reject);
}

void Cancel(QFileDialog& dialog) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Cancel)->click();
}

void MakeFile(const QString& path, const QByteArray& bytes = "abc") {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// The process's real current folder, which the dialog moves.
class CurrentFolderProcess : public fakes::FakeProcess {
public:
    std::wstring CurrentFolder() override { return QDir::currentPath().toStdWString(); }
};

class QtDialog : public ::testing::Test {
protected:
    QTemporaryDir temp;
    QString root;  // the temporary folder, symbolic links resolved
    QString saved_current = QDir::currentPath();

    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        root = QFileInfo(temp.path()).canonicalFilePath();
        QDir().mkpath(root + "/work");
        QDir::setCurrent(root + "/work");
    }
    void TearDown() override { QDir::setCurrent(saved_current); }

    // A file path of exactly `length` characters below the temporary folder.
    QString PathOfLength(int length) {
        const QString folder = root + "/long/";
        return folder + QString(length - folder.size() - 4, u'f') + ".bin";
    }
};

TEST_F(QtDialog, RecordOfTheOpenDialogReachesTheWidget) {
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    struct OwnedForm : HeadlessForm {
        QWidget* widget;
        explicit OwnedForm(QWidget* w) : HeadlessForm(FormLayout{}), widget(w) {}
        void* NativeHandle() const override { return widget; }
    } owner_form(&owner);

    std::optional<OpenFileRecord> record =
        OpenDialogRecord(owner_form, L"Open file", (root + "/work").toStdWString(), L"", L"All|*.*", L"");
    ASSERT_TRUE(record);
    struct Seen {
        QString title, folder, name, filter_shown;
        QStringList filters;
        QString selected_filter;
        QFileDialog::FileMode mode;
        QFileDialog::AcceptMode accept;
        QWidget* parent;
        bool modal, native, details_hidden;
    } seen{};
    WhenDialogOpens drive([&](QFileDialog& d) {
        Screenshot(d, "qt_open_dialog");
        seen.title = d.windowTitle();
        seen.folder = d.directory().absolutePath();
        seen.name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        seen.filter_shown = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
        seen.filters = d.nameFilters();
        seen.selected_filter = d.selectedNameFilter();
        seen.mode = d.fileMode();
        seen.accept = d.acceptMode();
        seen.parent = d.parentWidget();
        seen.modal = d.isModal();
        seen.native = !d.testOption(QFileDialog::DontUseNativeDialog);
        seen.details_hidden = d.testOption(QFileDialog::HideNameFilterDetails);
        Cancel(d);
    });
    QtOpenFileDialog dialogs;
    EXPECT_FALSE(dialogs.Show(*record));

    ASSERT_TRUE(drive.opened);
    EXPECT_EQ(seen.title, "Open file");
    EXPECT_EQ(seen.folder, root + "/work");
    EXPECT_EQ(seen.name, "");
    EXPECT_EQ(seen.filters, QStringList{"All (*)"}) << "*.* must list names without a dot too";
    EXPECT_EQ(seen.selected_filter, "All") << "shown without its patterns";
    EXPECT_EQ(seen.filter_shown, "All");
    EXPECT_EQ(seen.mode, QFileDialog::ExistingFile);
    EXPECT_EQ(seen.accept, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen.parent, &owner);
    EXPECT_TRUE(seen.modal);
    EXPECT_FALSE(seen.native);
    EXPECT_TRUE(seen.details_hidden);
    EXPECT_EQ(QDir::currentPath(), root + "/work") << "Cancel leaves the current folder";
}

TEST_F(QtDialog, FilterListBecomesQtFiltersWithThePreselectedPair) {
    using namespace std::string_literals;
    struct Case {
        std::wstring list;
        std::uint32_t index;
        QStringList filters;
        QString selected;
    };
    const Case cases[] = {
        {L"All\0*.*\0\0"s, 1, {"All (*)"}, "All"},
        {L"Printer files\0*.prn;*.bin\0All\0*.*\0\0"s, 2, {"Printer files (*.prn *.bin)", "All (*)"}, "All"},
        {L"Printer files\0*.prn;*.bin\0All\0*.*\0\0"s, 1, {"Printer files (*.prn *.bin)", "All (*)"},
         "Printer files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filters.join(", ").toStdString());
        HeadlessForm form(FormLayout{});
        std::optional<OpenFileRecord> record = OpenDialogRecord(form, L"t", L"", L"", L"", L"");
        record->lpstrFilter = c.list;
        record->nFilterIndex = c.index;
        QStringList filters;
        QString selected;
        WhenDialogOpens drive([&](QFileDialog& d) {
            filters = d.nameFilters();
            selected = d.selectedNameFilter();
            Cancel(d);
        });
        QtOpenFileDialog().Show(*record);
        EXPECT_EQ(filters, c.filters);
        EXPECT_EQ(selected, c.selected);
    }
}

TEST_F(QtDialog, FileSelectPutsTheAnswerInThePathFieldAndMovesTheCurrentFolder) {
    struct Case {
        const char* name;
        QString typed;            // "" presses Cancel
        QString field;            // expected path field
        QString current_after;    // expected current folder afterwards
        bool loaded;
    };
    const QString work = root + "/work";
    const Case cases[] = {
        {"full path", root + "/data/fw.bin", root + "/data/fw.bin", root + "/data", true},
        {"name in the start folder", "fw.bin", work + "/fw.bin", work, true},
        {"file without extension", root + "/data/firmware", root + "/data/firmware", root + "/data", true},
        {"cancel", "", work + "/", work, false},
        {"a full path of 200 characters", PathOfLength(200), PathOfLength(200), root + "/long", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir::setCurrent(work);
        fakes::FakePlatform fake;
        CurrentFolderProcess process;
        QtOpenFileDialog dialogs;
        Kestrelspooler app(fake.services());
        app.on_file_select = [&] { FileSelectClick(app, dialogs, process); };
        for (const QString& file : {root + "/data/fw.bin", work + "/fw.bin", root + "/data/firmware",
                                    PathOfLength(200)}) {
            MakeFile(file);
            fake.files.files[file.toStdWString()] = {1, 2, 3};
        }

        WhenDialogOpens drive([&](QFileDialog& d) {
            if (c.typed.isEmpty())
                Cancel(d);
            else
                TypeAndOpen(d, c.typed);
        });
        app.Click(main_form::Command1);

        EXPECT_TRUE(drive.opened);
        EXPECT_EQ(QString::fromStdWString(app.Window().Text(main_form::Text2)), c.field);
        EXPECT_EQ(QDir::currentPath(), c.current_after);
        EXPECT_EQ(fake.files.asked, std::vector<std::wstring>{c.field.toStdWString()});
        EXPECT_EQ(app.Window().Text(main_form::Text1), c.loaded ? L"3" : L"0");
    }
}

}  // namespace
}  // namespace ks

int main(int argc, char** argv) {
    // Drawn off screen unless told otherwise: the tests answer every dialog themselves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
