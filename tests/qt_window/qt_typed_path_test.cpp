// The file you see is the file you print: a path typed into the Qt window's path field is what Print sends.
#include <filesystem>
#include <fstream>

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "main_window/main_form.h"
#include "platform/posix/posix_files.h"
#include "platform/qt/qt_form.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;
namespace mf = ks::main_form;

std::vector<std::uint8_t> WriteFile(const fs::path& path, std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

TEST(QtTypedPath, PrintSendsTheFileThePathFieldShows) {
    const fs::path folder = fs::temp_directory_path() / ("ks-typed-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    WriteFile(folder / "a.pcl", 3000, 1);
    const std::vector<std::uint8_t> other = WriteFile(folder / "b.prn", 5000, 200);

    ks::fakes::FakePlatform fake;
    fake.printers.installed = {L"k-raw"};
    ks::PosixFiles files;
    ks::QtWindowSystem windows;
    ks::Kestrelspooler app({fake.printers, fake.spooler, files, fake.settings, fake.process, fake.messages, windows});
    app.Load();
    auto& form = dynamic_cast<ks::QtForm&>(app.Window());
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Window()));
    form.SetText(mf::Combo1, L"k-raw");
    form.SetText(mf::Text2, ks::FromNative((folder / "a.pcl").string()));
    ASSERT_TRUE(app.OpenFi());

    // The user changes the path as typed text, not through a load.
    auto* path_field = qobject_cast<QPlainTextEdit*>(form.Widget(mf::Text2));
    ASSERT_NE(path_field, nullptr);
    path_field->setFocus();
    path_field->selectAll();
    QTest::keyClick(path_field, Qt::Key_Delete);
    QTest::keyClicks(path_field, QString::fromStdString((folder / "b.prn").string()));
    QTest::mouseClick(qobject_cast<QPushButton*>(form.Widget(mf::Command2)), Qt::LeftButton);

    EXPECT_TRUE(fake.spooler.received == other) << "received " << fake.spooler.received.size() << " bytes";
    EXPECT_EQ(form.Text(mf::Text1), L"5000");
    EXPECT_EQ(fake.messages.Lines(), (std::vector<std::wstring>{L"Message: Executed!"}));
    fs::remove_all(folder);
}

}  // namespace
