// The detail lines on standard error after a failed command-line run: why, in words, and what to do.
#include <gtest/gtest.h>

#include <functional>

#include "fakes/fakes.h"
#include "main_window/command_line_run.h"
#include "main_window/main_form.h"

namespace ks {
namespace {

const std::wstring kNotRecognized = L"Kestrelspooler: The Printer Name you typed wasn't recognized.";
const std::wstring kFailed = L"Kestrelspooler: The print job failed and was cancelled.";
const std::wstring kHint =
    L"no printer is remembered yet: start the program without a file, pick a printer in the "
    L"printer box and close the window with its close box";
const std::wstring kUnreachable = L"could not reach the scheduler at /run/cups.sock: timed out after 30 s";

struct Case {
    const char* name;
    std::function<void(fakes::FakePlatform&)> arrange;
    std::vector<std::wstring> error_lines;
    std::wstring message;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void Remember(fakes::FakePlatform& f, const std::wstring& name) {
    f.settings.Save(L"Kestrelspooler", L"STARTUP", L"Drucker", name);
}

class DetailLines : public ::testing::TestWithParam<Case> {};

TEST_P(DetailLines, SayWhyACommandLineRunFailed) {
    fakes::FakePlatform f;
    f.printers.installed = {L"Laser", L"Label"};
    f.printers.system_default = L"Laser";
    f.files.files[L"fw.bin"] = std::vector<std::uint8_t>(1'234'567, 0x5A);
    f.process.command_line = L"fw.bin";
    Remember(f, L"Label");
    GetParam().arrange(f);

    ks::Services services = f.services();
    EXPECT_EQ(RunCommandLine(services, {L"fw.bin"}), 1);

    EXPECT_EQ(f.process.error_lines, GetParam().error_lines);
    EXPECT_EQ(f.messages.Lines(), std::vector<std::wstring>{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, DetailLines,
    ::testing::ValuesIn(std::vector<Case>{
        {"FirstRunWithNothingRemembered", [](auto& f) { Remember(f, L""); }, {kHint}, kNotRecognized},
        {"RememberedNameThatNoPrinterHas", [](auto& f) { Remember(f, L"Gone"); },
         {L"no installed printer is named \"Gone\""}, kNotRecognized},
        {"SchedulerUnreachable", [](auto& f) { f.printers.unreachable = kUnreachable; },
         {kUnreachable}, kNotRecognized},
        // The scheduler answered the lookup with an error: that is no answer about the name.
        {"LookupAnsweredWithAnError",
         [](auto& f) {
             f.printers.lookup_failure = L"the printer \"Label\" could not be looked up: the scheduler at "
                                         L"/run/cups.sock answered HTTP 500 (Internal Server Error)";
         },
         {L"the printer \"Label\" could not be looked up: the scheduler at /run/cups.sock answered "
          L"HTTP 500 (Internal Server Error)"},
         kNotRecognized},
        {"SchedulerUnreachableOnAFirstRun",
         [](auto& f) {
             Remember(f, L"");
             f.printers.unreachable = kUnreachable;
         },
         {kUnreachable, kHint}, kNotRecognized},
        // A settings file that could not be read is no first run: no hint, the reason instead.
        {"SettingsFileUnreadable",
         [](auto& f) { f.settings.unreadable = L"the settings were not read: x.conf is not an ordinary file"; },
         {L"the settings were not read: x.conf is not an ordinary file", L"no printer name was given"},
         kNotRecognized},
        {"ConnectionClosedHalfway",
         [](auto& f) {
             f.spooler.write_limit = 1'000'000;
             f.spooler.writes_before_stall = 1;
             f.spooler.last_error = L"the scheduler closed the connection\nthe scheduler said: bye";
         },
         {L"the scheduler closed the connection after 1,000,000 of 1,234,567 bytes",
          L"the scheduler said: bye"},
         kFailed},
        {"RefusedAtTheEndOfTheDocument",
         [](auto& f) {
             f.spooler.fail_at = fakes::Step::EndDoc;
             f.spooler.last_error = L"the scheduler did not accept the document";
         },
         {L"the scheduler did not accept the document after 1,234,567 of 1,234,567 bytes"}, kFailed},
        {"RefusedBeforeAnyByteWentOver",
         [](auto& f) {
             f.spooler.fail_at = fakes::Step::StartDoc;
             f.spooler.last_error = L"the scheduler did not create the job";
         },
         {L"the scheduler did not create the job"}, L"Kestrelspooler: The print job failed."},
        {"BrokeOffWithoutWords",
         [](auto& f) { f.spooler.fail_at = fakes::Step::Write; },
         {L"the job broke off after 0 of 1,234,567 bytes"}, kFailed},
        {"OpenRefused", [](auto& f) { f.spooler.known = {L"Laser"}; },
         {L"The printer or class does not exist."}, kNotRecognized},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DetailLines, ASaveThatFailsSaysSoWhenTheWindowCloses) {
    fakes::FakePlatform f;
    Kestrelspooler app(f.services());
    app.Load();
    app.Window().SetText(main_form::Combo1, L"Laser");
    f.settings.unreadable = L"x.conf is not an ordinary file; it was left as it is";
    app.Unload();
    EXPECT_EQ(f.process.error_lines,
              (std::vector<std::wstring>{
                  L"the printer name was not remembered: x.conf is not an ordinary file; it was left as it is"}));
}

}  // namespace
}  // namespace ks
