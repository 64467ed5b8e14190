// The Print command: which printer gets the job, the spooler calls it makes, what the user is told.
#include <gtest/gtest.h>

#include <cwchar>

#include "fakes/fakes.h"
#include "main_window/command_line_run.h"
#include "main_window/main_form.h"

namespace ks {
namespace {

namespace mf = main_form;

using fakes::Step;

const std::wstring kNotRecognized = L"The Printer Name you typed wasn't recognized.";
const std::wstring kFailed = L"The print job failed and was cancelled.";

class PrintCommand : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    std::unique_ptr<Kestrelspooler> app;

    void SetUp() override {
        fake.printers.installed = {L"Laser", L"Label", L"Laser"};
        fake.printers.system_default = L"Laser";
        fake.files.files[L"/data/fw.bin"] = {1, 2, 3, 4, 5};
        app = std::make_unique<Kestrelspooler>(fake.services());
    }
    void Load(const std::wstring& path) {
        app->Window().SetText(mf::Text2, path);
        app->OpenFi();
    }
    bool PrintTo(const std::wstring& printer) {
        app->Window().SetText(mf::Combo1, printer);
        return app->Print();
    }
    std::vector<std::wstring> Shown() const { return fake.messages.Lines(); }
};

TEST_F(PrintCommand, SendsTheWholeBufferAsOneRawJobAndSaysExecuted) {
    Load(L"/data/fw.bin");
    EXPECT_TRUE(PrintTo(L"Label"));
    EXPECT_EQ(fake.spooler.Steps(), (std::vector<Step>{Step::Open, Step::StartDoc, Step::StartPage,
                                                       Step::Write, Step::EndPage, Step::EndDoc,
                                                       Step::Close}));
    EXPECT_EQ(fake.spooler.calls[0].printer, L"Label");
    EXPECT_EQ(fake.spooler.calls[3].size, 5u) << "the first write carries the whole buffer";
    EXPECT_EQ(fake.spooler.received, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(fake.spooler.doc.document_name, L"Command Print");
    EXPECT_FALSE(fake.spooler.doc.output_file.has_value());
    EXPECT_FALSE(fake.spooler.doc.data_type.has_value());
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Message: Executed!"}));
}

TEST_F(PrintCommand, EmptyBufferMakesAnEmptyJobWithOneZeroWrite) {
    EXPECT_TRUE(PrintTo(L"Laser"));
    ASSERT_EQ(fake.spooler.Steps().size(), 7u);
    EXPECT_EQ(fake.spooler.calls[3].step, Step::Write);
    EXPECT_EQ(fake.spooler.calls[3].size, 0u);
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Message: Executed!"}));
}

TEST_F(PrintCommand, NamesAreMatchedExactlyAndUnknownNamesSendNothing) {
    struct Case {
        const wchar_t* typed;
        bool sent;
    };
    const Case cases[] = {
        {L"Label", true},  {L"", false},      {L"label", false},
        {L"Label ", false}, {L" Label", false}, {L"Lab", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed \"" << std::string(c.typed, c.typed + wcslen(c.typed)) << "\"");
        fake.spooler.calls.clear();
        fake.messages.shown.clear();
        EXPECT_EQ(PrintTo(c.typed), c.sent);
        EXPECT_EQ(!fake.spooler.calls.empty(), c.sent);
        EXPECT_EQ(Shown().back(), c.sent ? L"Message: Executed!" : L"Kestrelspooler: " + kNotRecognized);
        EXPECT_EQ(*app->CurrentPrinter().Current(), L"Laser");
    }
}

// The window reads the list once, for its box; each Print asks about its one name, so a
// scheduler with thousands of queues costs a print no more than one with three.
TEST_F(PrintCommand, TheWindowListsThePrintersOnceAndPrintOnlyLooksUpItsName) {
    app->Load();
    EXPECT_EQ(fake.printers.lists, 1);
    Load(L"/data/fw.bin");
    EXPECT_TRUE(PrintTo(L"Label"));
    EXPECT_FALSE(PrintTo(L"label"));
    app->Click(mf::Print);
    EXPECT_EQ(fake.printers.lists, 1) << "the Print command read the whole list";
    EXPECT_EQ(fake.printers.looked_up, (std::vector<std::wstring>{L"Label", L"label", L"label"}));
}

// A command-line run shows no printer box: it asks about the one printer it prints to.
TEST(PrintCommandLine, NeverListsThePrinters) {
    fakes::FakePlatform fake;
    fake.printers.installed = {L"Laser", L"Label"};
    fake.files.files[L"/data/fw.bin"] = {1, 2, 3};
    Services services = fake.services();
    EXPECT_EQ(RunCommandLine(services, {L"-p", L"Label", L"/data/fw.bin", L"/data/fw.bin"}), 0);
    EXPECT_EQ(fake.printers.lists, 0);
    EXPECT_EQ(fake.printers.looked_up, (std::vector<std::wstring>{L"Label"}));
}

TEST_F(PrintCommand, AFailedStepCancelsTheJobAndNeverSaysExecuted) {
    struct Case {
        Step fail_at;
        std::vector<Step> steps;
        std::wstring text = kFailed;
    };
    const Case cases[] = {
        // A document that was never started made no job to cancel.
        {Step::StartDoc, {Step::Open, Step::StartDoc, Step::Close}, L"The print job failed."},
        {Step::StartPage, {Step::Open, Step::StartDoc, Step::StartPage, Step::Abort, Step::Close}},
        {Step::Write,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::Abort, Step::Close}},
        {Step::EndPage,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::EndPage, Step::Abort,
          Step::Close}},
        {Step::EndDoc,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::EndPage, Step::EndDoc,
          Step::Abort, Step::Close}},
    };
    Load(L"/data/fw.bin");
    for (const Case& c : cases) {
        SCOPED_TRACE(fakes::StepName(c.fail_at));
        fake.spooler.calls.clear();
        fake.messages.shown.clear();
        fake.spooler.fail_at = c.fail_at;
        EXPECT_FALSE(PrintTo(L"Label"));
        EXPECT_EQ(fake.spooler.Steps(), c.steps);
        EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Kestrelspooler: " + c.text}));
        EXPECT_EQ(*app->CurrentPrinter().Current(), L"Laser") << "the current printer is restored";
    }
}

TEST_F(PrintCommand, ShortWritesAreFollowedByTheRestUntilTheSpoolerStopsTakingBytes) {
    Load(L"/data/fw.bin");
    fake.spooler.write_limit = 2;
    EXPECT_TRUE(PrintTo(L"Label"));
    EXPECT_EQ(fake.spooler.received, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    std::vector<std::uint64_t> offered;
    for (const auto& call : fake.spooler.calls)
        if (call.step == Step::Write)
            offered.push_back(call.size);
    EXPECT_EQ(offered, (std::vector<std::uint64_t>{5, 3, 1}));

    fake.spooler.calls.clear();
    fake.messages.shown.clear();
    fake.spooler.writes_before_stall = 1;  // takes two bytes, then nothing
    EXPECT_FALSE(PrintTo(L"Label"));
    EXPECT_EQ(fake.spooler.Steps().back(), Step::Close);
    EXPECT_EQ(fake.spooler.Steps()[fake.spooler.Steps().size() - 2], Step::Abort);
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Kestrelspooler: " + kFailed}));
}

TEST_F(PrintCommand, ARefusedOpenLeavesTheChosenPrinterCurrentAndReportsTheSpoolersWords) {
    fake.spooler.known = {L"Laser"};
    EXPECT_FALSE(PrintTo(L"Label"));
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"Kestrelspooler: " + kNotRecognized}));
    EXPECT_EQ(fake.process.error_lines, (std::vector<std::wstring>{fake.spooler.last_error}));
    app->DefaultPrinter();
    EXPECT_EQ(app->Window().Text(mf::Combo1), L"Label");
}

TEST_F(PrintCommand, DefaultPrinterShowsTheSystemDefaultAfterPrintingElsewhere) {
    EXPECT_TRUE(PrintTo(L"Label"));
    app->Window().SetText(mf::Combo1, L"typed");
    app->Click(mf::Command3);
    EXPECT_EQ(app->Window().Text(mf::Combo1), L"Laser");
}

TEST_F(PrintCommand, PrintButtonAndPrintMenuEntrySendTheSameJob) {
    Load(L"/data/fw.bin");
    app->Window().SetText(mf::Combo1, L"Label");
    app->Click(mf::Command2);
    const auto by_button = fake.spooler.Steps();
    const auto bytes = fake.spooler.received;
    fake.spooler.calls.clear();
    fake.spooler.received.clear();
    app->Click(mf::Print);
    EXPECT_EQ(fake.spooler.Steps(), by_button);
    EXPECT_EQ(fake.spooler.received, bytes);
    EXPECT_EQ(Shown().size(), 2u);
}

}  // namespace
}  // namespace ks
