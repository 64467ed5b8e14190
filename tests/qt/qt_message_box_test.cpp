// Message boxes where no display is at hand: one line on standard error, at once, and no GUI started.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "platform/qt/qt_display.h"
#include "platform/qt/qt_message_box.h"

namespace ks {
namespace {

// Sends standard error to a file while alive; Text() gives what was written.
class CapturedStderr {
public:
    CapturedStderr() {
        char pattern[] = "/tmp/ks-stderr-XXXXXX";
        const int fd = ::mkstemp(pattern);
        path_ = pattern;
        std::fflush(stderr);
        saved_ = ::dup(2);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CapturedStderr() {
        Restore();
        std::filesystem::remove(path_);
    }
    std::string Text() {
        Restore();
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    void Restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    std::filesystem::path path_;
    int saved_ = -1;
};

struct Environment {
    const char* name;
    std::optional<std::string> qpa_platform, display, wayland_display;
};

void PrintTo(const Environment& e, std::ostream* os) { *os << e.name; }

void SetOrUnset(const char* variable, const std::optional<std::string>& value) {
    if (value)
        ::setenv(variable, value->c_str(), 1);
    else
        ::unsetenv(variable);
}

class WithoutDisplay : public ::testing::TestWithParam<Environment> {
protected:
    void SetUp() override {
        SetOrUnset("QT_QPA_PLATFORM", GetParam().qpa_platform);
        SetOrUnset("DISPLAY", GetParam().display);
        SetOrUnset("WAYLAND_DISPLAY", GetParam().wayland_display);
    }
};

TEST_P(WithoutDisplay, BoxBecomesOneLineOnStandardError) {
    EXPECT_FALSE(DisplayAvailable());
    QtMessageBoxService messages;
    CapturedStderr captured;
    messages.Show(L"The file could not be read.", L"Kestrelspooler");
    messages.Show(L"Gr\u00f6\u00dfe: 0", L"Message");
    EXPECT_EQ(captured.Text(),
              "Kestrelspooler: The file could not be read.\nMessage: Gr\xC3\xB6\xC3\x9F" "e: 0\n");
    // Nothing of Qt's GUI was started for a box no one could see.
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    QtMessageBoxService, WithoutDisplay,
    ::testing::ValuesIn(std::vector<Environment>{
        {"NoDisplayNamed", std::nullopt, std::nullopt, std::nullopt},
        {"EmptyDisplayNames", std::nullopt, "", ""},
        {"OffscreenPlatformWithX11Display", "offscreen", ":0", std::nullopt},
        {"OffscreenPlatformWithOptions", "offscreen:fontengine=freetype", std::nullopt, "wayland-0"},
        {"MinimalPlatform", "minimal", ":0", "wayland-0"},
    }),
    [](const auto& info) { return std::string(info.param.name); });

// A display that is named but does not answer must not take the program down with
// it: the box becomes the line instead. Run in a child: it starts a Qt application.
TEST(QtMessageBoxService, DisplayThatDoesNotAnswerGivesTheLine) {
    ::unsetenv("QT_QPA_PLATFORM");
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("DISPLAY", ":93", 1);
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X93")) << "an X server runs on :93";
    EXPECT_EXIT(
        {
            QtMessageBoxService messages;
            messages.Show(L"Executed!", L"Message");
            std::fflush(stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "\nMessage: Executed!\n|^Message: Executed!\n");
}

}  // namespace
}  // namespace ks
