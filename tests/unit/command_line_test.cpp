// The command line: what each command line means, and what a run of several files sends and says.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "common/escape.h"
#include "fakes/fakes.h"
#include "main_window/command_line.h"
#include "main_window/command_line_run.h"

namespace ks {
namespace {

using namespace std::chrono_literals;
using Action = CommandLineRequest::Action;
using Lines = std::vector<std::wstring>;

TEST(ParseArguments, OptionsThenFiles) {
    const struct {
        const char* name;
        Lines arguments;
        Action action;
        Lines files;
        std::optional<std::wstring> printer = std::nullopt;
        bool quiet = false, wait = false;
        std::chrono::seconds timeout = 600s;
    } cases[] = {
        {"a double quote is part of a name", {L"4x6\" label.prn"}, Action::Print, {L"4x6\" label.prn"}},
        {"files keep their order", {L"c.prn", L"a.prn", L"b.prn"}, Action::Print, {L"c.prn", L"a.prn", L"b.prn"}},
        {"short printer", {L"-p", L"k-label", L"a.prn"}, Action::Print, {L"a.prn"}, L"k-label"},
        {"glued printer", {L"-pk-label", L"a.prn"}, Action::Print, {L"a.prn"}, L"k-label"},
        {"long printer", {L"--printer", L"k label", L"a.prn"}, Action::Print, {L"a.prn"}, L"k label"},
        {"long printer with =", {L"--printer=a=b", L"a.prn"}, Action::Print, {L"a.prn"}, L"a=b"},
        {"an empty printer name is a name", {L"--printer=", L"a.prn"}, Action::Print, {L"a.prn"}, L""},
        {"flags bundled", {L"-qw", L"-t", L"3", L"a.prn"}, Action::Print, {L"a.prn"}, std::nullopt, true, true, 3s},
        {"long flags", {L"--quiet", L"--wait", L"--timeout=0", L"a.prn"}, Action::Print, {L"a.prn"}, std::nullopt,
         true, true, 0s},
        {"a value that looks like an option", {L"-p", L"-q", L"a.prn"}, Action::Print, {L"a.prn"}, L"-q"},
        {"-- ends the options", {L"--", L"-q", L"--help"}, Action::Print, {L"-q", L"--help"}},
        {"- ends the options", {L"-q", L"-", L"-w"}, Action::Print, {L"-", L"-w"}, std::nullopt, true},
        {"the first file ends the options", {L"a.prn", L"-q"}, Action::Print, {L"a.prn", L"-q"}},
        {"an empty argument is a file", {L""}, Action::Print, {L""}},
        {"help wins", {L"-V", L"--help", L"a.prn"}, Action::Help, {L"a.prn"}},
        {"version", {L"--version"}, Action::Version, {}},
        {"list", {L"-l"}, Action::ListPrinters, {}},
        {"/? is a file here", {L"/?"}, Action::Print, {L"/?"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandLineRequest r = ParseArguments(c.arguments, false);
        EXPECT_EQ(r.action, c.action);
        EXPECT_EQ(r.error, L"");
        EXPECT_EQ(r.files, c.files);
        EXPECT_EQ(r.printer, c.printer);
        EXPECT_EQ(r.quiet, c.quiet);
        EXPECT_EQ(r.wait, c.wait);
        EXPECT_EQ(r.timeout, c.timeout);
    }
    const struct {
        Lines arguments;
        std::wstring error;
    } wrong[] = {
        {{L"--colour", L"a.prn"}, L"unknown option --colour"},
        {{L"-qx", L"a.prn"}, L"unknown option -x"},
        {{L"-p"}, L"option -p needs a value"},
        {{L"--timeout"}, L"option --timeout needs a value"},
        {{L"--quiet=yes", L"a.prn"}, L"option --quiet takes no value"},
        {{L"-t", L"3s", L"a.prn"}, L"option -t takes a whole number of seconds, not \"3s\""},
        {{L"--timeout=-1", L"a.prn"}, L"option --timeout takes a whole number of seconds, not \"-1\""},
        {{L"-t", L"1000000000", L"a.prn"}, L"option -t takes a whole number of seconds, not \"1000000000\""},
        {{L"-q"}, L"no file named"},
        {{L"-l", L"a.prn"}, L"option --list-printers takes no file"},
    };
    for (const auto& c : wrong) {
        const CommandLineRequest r = ParseArguments(c.arguments, false);
        EXPECT_EQ(r.action, Action::Usage) << testing::PrintToString(c.arguments);
        EXPECT_EQ(r.error, c.error);
    }
    EXPECT_EQ(ParseArguments({L"/?"}, true).action, Action::Help) << "as Windows programs take it";
}

TEST(FilesToPrint, ArgumentsFirstThenTheWholeTextWithoutQuotes) {
    const std::set<std::wstring> existing = {L"a.prn", L"b.prn", L"a.prn b.prn", L"C:\\My Labels\\a.prn",
                                             L"4x6\" label.prn", L"/data/my file.bin"};
    const auto names_file = [&existing](const std::wstring& path) { return existing.count(path) > 0; };
    const struct {
        const char* name;
        Lines files;
        std::wstring text;
        Lines printed;
    } cases[] = {
        // Windows has taken the quotes already; on POSIX a launcher without a shell leaves them in.
        {"quoted path with spaces, split", {L"/data/my file.bin"}, L"\"/data/my file.bin\"", {L"/data/my file.bin"}},
        {"quoted path with spaces, quotes left in", {L"\"/data/my file.bin\""}, L"\"/data/my file.bin\"",
         {L"/data/my file.bin"}},
        {"unquoted path with spaces", {L"C:\\My", L"Labels\\a.prn"}, L"C:\\My Labels\\a.prn", {L"C:\\My Labels\\a.prn"}},
        {"quotes in the middle", {L"C:\\My Lab\"els\\a.prn"}, L"C:\\My Lab\"els\\a.prn", {L"C:\\My Labels\\a.prn"}},
        {"two files even when both names joined are a file too", {L"a.prn", L"b.prn"}, L"a.prn b.prn",
         {L"a.prn", L"b.prn"}},
        {"a name holding a double quote", {L"4x6\" label.prn"}, L"4x6\" label.prn", {L"4x6\" label.prn"}},
        {"\"\" names nothing", {L""}, L"\"\"", {L""}},
        {"one missing: reported as given", {L"a.prn", L"gone.prn"}, L"a.prn gone.prn", {L"a.prn", L"gone.prn"}},
        {"standard input always counts", {L"-", L"a.prn"}, L"- a.prn", {L"-", L"a.prn"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FilesToPrint(c.files, c.text, names_file), c.printed);
    }
}

TEST(EscapeControls, NothingATerminalActsOnGetsThrough) {
    const struct {
        std::wstring text, keep, escaped;
    } cases[] = {
        {L"C:\\My Labels\\\u00e9t\u00e9.prn", L"", L"C:\\My Labels\\\u00e9t\u00e9.prn"},
        {L"a\x1b]0;title\x07" L"b", L"", L"a\\x1b]0;title\\x07b"},
        {L"\rmeter\n", L"\r", L"\rmeter\\x0a"},
        {L"del\x7f c1\x9b[2J", L"", L"del\\x7f c1\\x9b[2J"},
        {L"line\u2028sep", L"", L"line\\u2028sep"},
        {std::wstring(L"nul") + L'\0', L"", L"nul\\x00"},
        // A byte that was not UTF-8 in a POSIX name: 0x9b alone is CSI on some terminals.
        {std::wstring(1, static_cast<wchar_t>(0xDC9B)), L"", L"\\x9b"},
        {std::wstring(1, static_cast<wchar_t>(0xD800)), L"", L"\\ud800"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapeControls(c.text, c.keep), c.escaped);
}

JobReport Report(std::wstring text, std::wstring caption, Lines details, int status) {
    return {std::move(text), std::move(caption), std::move(details), status};
}

TEST(CombineReports, OneAnswerForTheWholeRun) {
    const JobReport printed = Report(L"Executed!", L"Message", {}, 0);
    const JobReport queued = Report(L"Executed!", L"Message", {L"job 7 is queued for k-raw"}, 0);
    const JobReport unread = Report(L"The file could not be read.", L"Kestrelspooler", {L"\"c.prn\": a folder"}, 1);
    const JobReport waiting =
        Report(L"The job is waiting in the printer's queue.", L"Kestrelspooler", {L"the queue is paused"}, 3);
    const struct {
        const char* name;
        std::vector<FileReport> reports;
        std::size_t count;
        int signal;
        JobReport combined;
    } cases[] = {
        {"all printed", {{L"\"a.prn\"", printed}, {L"\"b.prn\"", queued}}, 2, 0,
         Report(L"Executed!", L"Message", {L"job 7 is queued for k-raw"}, 0)},
        {"a failure outweighs an earlier waiting job",
         {{L"\"a.prn\"", waiting}, {L"\"b.prn\"", unread}},
         2,
         0,
         Report(L"The file could not be read.", L"Kestrelspooler",
                {L"0 of 2 files printed", L"\"a.prn\": the job is waiting in the printer's queue",
                 L"the queue is paused", L"\"b.prn\": the file could not be read", L"\"c.prn\": a folder"},
                1)},
        {"waiting and none failed",
         {{L"\"a.prn\"", printed}, {L"standard input", waiting}},
         2,
         0,
         Report(L"The job is waiting in the printer's queue.", L"Kestrelspooler",
                {L"1 of 2 files printed", L"\"a.prn\": printed",
                 L"standard input: the job is waiting in the printer's queue", L"the queue is paused"},
                3)},
        {"stopped by a signal between files",
         {{L"\"a.prn\"", printed}},
         3,
         15,
         Report(L"The print job was cancelled.", L"Kestrelspooler", {L"1 of 3 files printed", L"\"a.prn\": printed"},
                143)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const JobReport r = CombineReports(c.reports, c.count, c.signal);
        EXPECT_EQ(r.text, c.combined.text);
        EXPECT_EQ(r.caption, c.combined.caption);
        EXPECT_EQ(r.details, c.combined.details);
        EXPECT_EQ(r.exit_status, c.combined.exit_status);
    }
}

TEST(WatchFor, WaitFollowsTheJobUntilItIsPrintedForTheTimeout) {
    const JobWatch waiting = WatchFor(ParseArguments({L"--wait", L"--timeout", L"3", L"a.prn"}, false));
    EXPECT_EQ(waiting.until, WatchUntil::Completed);
    EXPECT_EQ(waiting.longest, 3s);
    EXPECT_EQ(WatchFor(ParseArguments({L"-w", L"a.prn"}, false)).longest, 600s);
}

// A run against the fakes: the printers Laser and Label, Label remembered.
class Run : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    JobPacing pacing;

    void SetUp() override {
        Arrange(fake);
        pacing.tick = 1ms;
    }
    static void Arrange(fakes::FakePlatform& f) {
        f.printers.installed = {L"Laser", L"Label"};
        f.printers.system_default = L"Laser";
        f.files.files[L"/d/a.prn"] = {'a', 'a'};
        f.files.files[L"/d/b.prn"] = {'b'};
        f.files.files[L"/d/my label.prn"] = {'L'};
        f.files.folders = {L"/d"};
        f.settings.Save(L"Kestrelspooler", L"STARTUP", L"Drucker", L"Label");
        f.settings.saves = 0;
    }
    int Start(const Lines& arguments) { return Start(fake, arguments); }
    int Start(fakes::FakePlatform& f, const Lines& arguments) {
        Services services = f.services();
        std::wstring text;
        for (const std::wstring& a : arguments)
            text += (text.empty() ? L"" : L" ") + a;
        f.process.command_line = text;
        return RunCommandLine(services, arguments, pacing);
    }
    static std::string Received(const fakes::FakePlatform& f) {
        return std::string(f.spooler.received.begin(), f.spooler.received.end());
    }
    static Lines OpenedPrinters(const fakes::FakePlatform& f) {
        Lines opened;
        for (const auto& call : f.spooler.calls)
            if (call.step == fakes::Step::Open)
                opened.push_back(call.printer);
        return opened;
    }
};

TEST_F(Run, EachFileIsAJobOfItsOwnInOrderAndOneAnswerComesAtTheEnd) {
    const struct {
        const char* name;
        Lines arguments;
        bool terminal;
        int status;
        std::string received;
        Lines opened;
        Lines boxes;
        Lines error_lines;
    } cases[] = {
        {"the others go on",
         {L"/d/a.prn", L"/d", L"/d/gone.prn", L"/d/b.prn"},
         false,
         1,
         "aab",
         {L"Label", L"Label"},
         {L"Kestrelspooler: The file could not be read."},
         {L"2 of 4 files printed", L"\"/d/a.prn\": printed", L"\"/d\": the file could not be read",
          L"\"/d\": it is a folder", L"\"/d/gone.prn\": the file could not be read",
          L"\"/d/gone.prn\": there is no such file", L"\"/d/b.prn\": printed"}},
        {"--quiet success says nothing", {L"-q", L"/d/a.prn"}, false, 0, "aa", {L"Label"}, {}, {}},
        {"--quiet on a terminal too", {L"-q", L"/d/a.prn"}, true, 0, "aa", {L"Label"}, {}, {}},
        {"--quiet failure still says it", {L"-q", L"/d/gone.prn"}, false, 1, "", {},
         {L"Kestrelspooler: The file could not be read."}, {L"\"/d/gone.prn\": there is no such file"}},
        {"an unquoted path with spaces", {L"/d/my", L"label.prn"}, false, 0, "L", {L"Label"},
         {L"Message: Executed!"}, {}},
        {"\"\"", {L""}, false, 1, "", {}, {L"Kestrelspooler: The file could not be read."},
         {L"\"\": no file name was given"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakePlatform fresh;
        Arrange(fresh);
        fresh.process.error_is_terminal = c.terminal;
        EXPECT_EQ(Start(fresh, c.arguments), c.status);
        EXPECT_EQ(Received(fresh), c.received);
        EXPECT_EQ(OpenedPrinters(fresh), c.opened);
        EXPECT_EQ(fresh.spooler.doc.document_name, c.opened.empty() ? L"" : L"Command Print");
        EXPECT_EQ(fresh.messages.Lines(), c.boxes);
        EXPECT_EQ(fresh.process.error_lines, c.error_lines);
        EXPECT_EQ(fresh.settings.Remembered(), L"Label") << "a command-line run never changes the remembered printer";
        EXPECT_EQ(fresh.settings.saves, 0);
    }
}

TEST_F(Run, ListPrintersKeepsThePlatformsOrder) {
    fake.printers.installed = {L"Zebra", L"Laser", L"Label"};
    EXPECT_EQ(Start({L"-l"}), 0);
    EXPECT_EQ(fake.process.output_lines, (Lines{L"Zebra", L"Laser", L"Label"}));
}

TEST_F(Run, HelpVersionAndAWrongCommandLine) {
    EXPECT_EQ(Start({L"--version"}), 0);
    EXPECT_EQ(fake.process.output_lines, Lines{L"kestrelspooler 1.4.0"});
    fake.process.output_lines.clear();
    EXPECT_EQ(Start({L"-h"}), 0);
    ASSERT_FALSE(fake.process.output_lines.empty());
    EXPECT_EQ(fake.process.output_lines.front(), L"Usage: kestrelspooler [OPTION]... FILE...");
    const Lines help = fake.process.output_lines;
    EXPECT_TRUE(fake.process.error_lines.empty());

    EXPECT_EQ(Start({L"--bogus", L"/d/a.prn"}), 2);
    ASSERT_FALSE(fake.process.error_lines.empty());
    EXPECT_EQ(fake.process.error_lines.front(), L"kestrelspooler: unknown option --bogus");
    EXPECT_EQ(Lines(fake.process.error_lines.begin() + 1, fake.process.error_lines.end()), help)
        << "the usage follows on standard error";
    EXPECT_TRUE(fake.spooler.calls.empty());
    EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(Run, ASignalCancelsTheJobAsCancelDoesAndNoFurtherFileIsSent) {
    fake.files.files[L"/d/big.bin"] = std::vector<std::uint8_t>(64, 'x');
    pacing.chunk_bytes = 4;
    fake.spooler.before_step = [this](fakes::Step step) {
        if (step != fakes::Step::Write || fake.spooler.received.size() != 2 + 8)
            return;
        fake.process.interruption = 15;
        // The worker waits here until the run has told the job to stop (or gives up, so
        // that a run that never does fails below instead of hanging).
        for (int i = 0; i < 10'000 && !fake.spooler.stop_flag->load(); ++i)
            std::this_thread::sleep_for(1ms);
    };
    EXPECT_EQ(Start({L"/d/a.prn", L"/d/big.bin", L"/d/b.prn"}), 143);
    EXPECT_TRUE(fake.process.catching);
    // The write under way when the signal came still ends; the next chunk is not sent.
    EXPECT_EQ(Received(fake), "aa" + std::string(12, 'x')) << "b.prn was sent after the signal";
    EXPECT_EQ(OpenedPrinters(fake), (Lines{L"Label", L"Label"}));
    const std::vector<fakes::Step> steps = fake.spooler.Steps();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), fakes::Step::EndDoc), 1) << "only a.prn's job was released";
    EXPECT_EQ(std::count(steps.begin(), steps.end(), fakes::Step::Abort), 1);
    EXPECT_EQ(fake.messages.Lines(), Lines{L"Kestrelspooler: The print job was cancelled."});
    ASSERT_FALSE(fake.process.error_lines.empty());
    EXPECT_EQ(fake.process.error_lines.front(), L"1 of 3 files printed");
}

}  // namespace
}  // namespace ks
